// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QWidget>

// A window without a native title bar that the user moves by dragging it with the left mouse button.
class FramelessWidget : public QWidget
{
    Q_OBJECT

public:
    explicit FramelessWidget(QWidget *parent = nullptr);
    ~FramelessWidget() override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint m_dragPosition; // where the left button went down, in the widget's own coordinates
    bool m_bPressed; // a left press on the window is held; cleared by any release
};
