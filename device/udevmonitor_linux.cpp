// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "udevmonitor.h"

#include <QList>
#include <QSocketNotifier>

#include <libudev.h>

namespace {

// A kernel event larger than the default socket buffer holds is dropped, and a lost removal would leave
// a pulled adapter shown as connected; ask for room for a burst of events.
constexpr int receiveBufferSize = 1024 * 1024;

// One hexadecimal field of a property value such as "e3a/b275/100" or "0003:00000E3A:0000B275".
bool hexField(const QList<QByteArray> &fields, int index, quint16 &value)
{
    bool ok = false;
    value = fields.value(index).toUShort(&ok, 16);
    return ok;
}

// A USB device's identity for as long as it stays plugged: its port, and the number the bus gave it
// when it was enumerated (a new number for every plug, also at the same port).
QByteArray usbDeviceKey(udev_device *usbDevice)
{
    return QByteArray(udev_device_get_syspath(usbDevice)) + '#' +
        QByteArray(udev_device_get_property_value(usbDevice, "DEVNUM"));
}

} // namespace

UdevMonitor::UdevMonitor(QObject *parent)
    : QObject(parent)
    , m_udev(udev_new())
{
    if (!m_udev)
        return;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor)
        return;
    udev_monitor_set_receive_buffer_size(m_monitor, receiveBufferSize);
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        m_monitor = udev_monitor_unref(m_monitor);
        return;
    }
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevMonitor::receive);
}

UdevMonitor::~UdevMonitor()
{
    delete m_notifier;
    udev_monitor_unref(m_monitor);
    udev_unref(m_udev);
}

bool UdevMonitor::isValid() const
{
    return m_notifier;
}

void UdevMonitor::receive()
{
    // The socket does not block: take every event that is waiting, so a burst costs one wake-up.
    while (udev_device *device = udev_monitor_receive_device(m_monitor)) {
        const QByteArray action = udev_device_get_action(device);
        const QByteArray subsystem = udev_device_get_subsystem(device);
        if (action == "add" && subsystem == "hidraw")
            hidrawAdded(device);
        else if (action == "remove" && subsystem == "usb")
            usbDeviceRemoved(device);
        udev_device_unref(device);
    }
}

void UdevMonitor::hidrawAdded(udev_device *hidraw)
{
    // The parents belong to hidraw and are released with it.
    udev_device *hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    udev_device *usbDevice = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    if (!hid || !usbDevice)
        return;
    const QList<QByteArray> id = QByteArray(udev_device_get_property_value(hid, "HID_ID")).split(':');
    quint16 vendorId = 0;
    quint16 productId = 0;
    if (!hexField(id, 1, vendorId) || !hexField(id, 2, productId))
        return;
    const QByteArray key = usbDeviceKey(usbDevice);
    if (m_announced.contains(key))
        return;
    m_announced.insert(key);
    emit deviceArrived(vendorId, productId, QString::fromLocal8Bit(key));
}

void UdevMonitor::usbDeviceRemoved(udev_device *usbDevice)
{
    const QList<QByteArray> product =
        QByteArray(udev_device_get_property_value(usbDevice, "PRODUCT")).split('/');
    quint16 vendorId = 0;
    quint16 productId = 0;
    if (!hexField(product, 0, vendorId) || !hexField(product, 1, productId))
        return;
    const QByteArray key = usbDeviceKey(usbDevice);
    m_announced.remove(key);
    emit deviceRemoved(vendorId, productId, QString::fromLocal8Bit(key));
}

QByteArray UdevMonitor::usbDeviceOfNode(const QByteArray &node)
{
    const int slash = node.lastIndexOf('/');
    if (!node.startsWith("/dev/") || slash < 0)
        return QByteArray();
    udev *context = udev_new();
    if (!context)
        return QByteArray();
    QByteArray key;
    if (udev_device *hidraw =
            udev_device_new_from_subsystem_sysname(context, "hidraw", node.mid(slash + 1).constData())) {
        if (udev_device *usbDevice =
                udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device"))
            key = usbDeviceKey(usbDevice);
        udev_device_unref(hidraw);
    }
    udev_unref(context);
    return key;
}
