// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "qhiddevice.h"

#include <private/qobject_p.h>

#include <memory>
#include <mutex>

#include <hidapi/hidapi.h>

// The state of a QHidDevice.
class QHidDevicePrivate : public QObjectPrivate
{
    Q_DECLARE_PUBLIC(QHidDevice)

public:
    // The hidapi handle, null while closed. Shared so that a transfer in flight keeps it alive: whichever
    // lets go last, the device or that transfer, calls hid_close.
    std::shared_ptr<hid_device> handle;
    quint64 handleId = 0;
    QByteArray path; // of the open device, empty while closed
    // Guards handle, handleId and path; never held across a hidapi call. A standard mutex, as Qt 5's is invisible
    // to ThreadSanitizer builds.
    mutable std::mutex handleLock;

    std::shared_ptr<hid_device> pinCurrent() const;
    std::shared_ptr<hid_device> pin(quint64 id) const; // null unless id names the open handle
    void replace(hid_device *newHandle, const QByteArray &newPath = QByteArray());
};
