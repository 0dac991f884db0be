// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "device/windowhandle.h"

#include <QWidget>

// Before main(): the main window's DeviceFlash asks for the window's handle in its constructor.
static void installWindowHandleResolver()
{
    WindowHandle::setResolver([](QObject *object) -> quintptr {
        const auto widget = qobject_cast<QWidget *>(object);
        return widget ? quintptr(widget->winId()) : 0;
    });
}
Q_CONSTRUCTOR_FUNCTION(installWindowHandleResolver)
