// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QWidget;

// Lets Enter and Return use the focused control of a window as Space does: Qt's tool buttons, and push
// buttons outside a dialog, leave those keys to their window, where they would otherwise do nothing.
class EnterKeyActivation : public QObject
{
    Q_OBJECT

public:
    // Watches window, which owns the watcher.
    static void install(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
