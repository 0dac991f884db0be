// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "devicechange.h"
#include "messageonlywindow.h"
#include "windowhandle.h"

#include <QCoreApplication>
#include <QDebug>

void DeviceFlash::registerDeviceNotifications()
{
    // The messages go to the main window, whose messages Qt hands to this filter. Without one (the command
    // line) they go to a message-only window of this object's own, which hands them over the same way.
    auto handle = reinterpret_cast<HWND>(WindowHandle::of(parent()));
    if (!handle)
        handle = reinterpret_cast<HWND>((new MessageOnlyWindow(this, this))->handle());
    for (const GUID &interfaceClass : {DeviceChange::usbDeviceClass, DeviceChange::diskClass}) {
        if (!handle || !DeviceChange::registerNotification(handle, interfaceClass))
            qWarning() << "registerDevice fail!";
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
}

// The removal notices name USB devices, never a HID interface path: which adapter went away is told by the
// path enumeration no longer lists.
QByteArray DeviceFlash::systemDeviceOf(const QByteArray &)
{
    return QByteArray();
}

// Qt and the window still receive every message: the filter only watches.
bool DeviceFlash::nativeEventFilter(const QByteArray &, void *message, long *)
{
    const auto msg = static_cast<const MSG *>(message);
    const DeviceChange change = DeviceChange::decode(msg->message, msg->wParam, msg->lParam);
    const QString name = QString::fromStdWString(change.interfaceName);
    if (change.event == DeviceChange::Event_Arrival && change.type == DeviceChange::Type_Volume)
        volumeArrived(change.volumeFlags);
    else if (change.event == DeviceChange::Event_Arrival && change.type == DeviceChange::Type_Interface)
        deviceInterfaceArrived(name);
    else if (change.event == DeviceChange::Event_Removal && change.type == DeviceChange::Type_Interface)
        deviceInterfaceRemoved(name);
    return false;
}
