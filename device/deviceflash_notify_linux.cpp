// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "udevmonitor.h"

#include <QDebug>

// Linux has no device-change window messages: the udev daemon's announcements stand in for them, watched
// in this object's thread so that they reach the same handling as on Windows.
void DeviceFlash::registerDeviceNotifications()
{
    auto monitor = new UdevMonitor(this);
    if (!monitor->isValid()) {
        qWarning() << "registerDevice fail!";
        return;
    }
    connect(monitor, &UdevMonitor::deviceArrived, this, &DeviceFlash::deviceArrived);
    connect(monitor, &UdevMonitor::deviceRemoved, this, &DeviceFlash::deviceRemoved);
}

bool DeviceFlash::nativeEventFilter(const QByteArray &, void *, long *)
{
    return false;
}

QByteArray DeviceFlash::systemDeviceOf(const QByteArray &node)
{
    return UdevMonitor::usbDeviceOfNode(node);
}
