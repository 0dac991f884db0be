// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// umockdev's headers come first in the sources: GLib names a member "signals", which Qt defines away.
typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

// A USB device with HID interfaces emulated for the real hidapi and udev (the process runs under
// umockdev-wrapper): plugging adds its sysfs tree and /dev/hidrawN nodes and sends the add events,
// unplugging sends the remove events and hangs the nodes up. The test plays the device through deviceFd.
class FakeAdapter
{
public:
    FakeAdapter(UMockdevTestbed *testbed, quint16 vendorId, quint16 productId, int interfaces = 1);
    ~FakeAdapter();
    FakeAdapter(const FakeAdapter &) = delete;
    FakeAdapter &operator=(const FakeAdapter &) = delete;

    bool plug();
    void unplug();
    int deviceFd(int interface = 0) const { return m_deviceFds.value(interface, -1); }
    quint16 vendorId() const { return m_vendorId; }
    quint16 productId() const { return m_productId; }

private:
    struct Interface
    {
        QString hidrawPath; // sysfs path of the hidraw node
        QString node; // /dev/hidrawN
        UMockdevIoctlBase *handler = nullptr;
        QString ptyMap; // umockdev's record of the node's terminal, left behind by a removal
    };

    bool plugInterface(Interface &interface, int index);

    UMockdevTestbed *m_testbed;
    quint16 m_vendorId;
    quint16 m_productId;
    int m_number; // the device's port, 1-N on bus 1: a new one for each adapter in a testbed
    QString m_usbPath; // sysfs path of the USB device
    QVector<Interface> m_interfaces;
    QVector<int> m_deviceFds;
    bool m_plugged = false;
};
