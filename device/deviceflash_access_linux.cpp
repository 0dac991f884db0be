// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include <QDebug>

#include <cerrno>
#include <cstring>

#include <hidapi/hidapi.h>

// On Linux a user gets at the adapter's hidraw node only through a udev rule; without it the open fails
// while the adapter sits in the port, and the window would go on asking for it to be plugged in.
// Enumeration needs no access to the node, so it tells whether the adapter is there, and opening again the
// node it named, the one open tried, gives the reason in errno, as open(2) left it.
void DeviceFlash::diagnoseOpenFailure(const QByteArray &path)
{
    if (path.isEmpty())
        return; // not plugged in: nothing to explain
    const QString node = QString::fromLocal8Bit(path);
    errno = 0;
    hid_device *probe = hid_open_path(path.constData());
    const int cause = errno;
    if (probe) {
        // Opened now: the failure was passing (the adapter was still settling, or just let go).
        hid_close(probe);
        return;
    }

    if (cause == EACCES || cause == EPERM) {
        qWarning().noquote()
            << "Adapter at" << node
            << "cannot be opened: permission denied. Install the tavrune-firmware-tool package,"
               " or its udev rule 70-tavrune-m4.rules into /etc/udev/rules.d, then unplug and"
               " replug the adapter.";
        emit accessDenied(node, AccessDenial_Permission);
    } else if (cause == EBUSY) {
        qWarning().noquote() << "Adapter at" << node
                             << "cannot be opened: busy. Close the program that holds it, then unplug and"
                                " replug the adapter.";
        emit accessDenied(node, AccessDenial_Busy);
    } else {
        qWarning().noquote() << "Adapter at" << node
                             << "cannot be opened:" << QString::fromLocal8Bit(std::strerror(cause));
    }
}
