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
    // Asks the window system to move the window with the pointer, as it moves its own title bars: true when
    // it does (on Wayland the only way to move a window), false when it declines and the widget moves itself.
    virtual bool startSystemMove();

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint m_dragPosition; // where the left button went down, in the widget's own coordinates
    bool m_bPressed; // a left press on the window is held and the widget moves itself; cleared by any release
};
