// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

// Reports USB devices with a HID interface as they are plugged in and USB devices as they are pulled out,
// from the udev daemon's announcements, in the thread it lives in.
class UdevMonitor : public QObject
{
    Q_OBJECT

public:
    explicit UdevMonitor(QObject *parent = nullptr);
    ~UdevMonitor() override;

    bool isValid() const; // the udev monitor could be set up

signals:
    // Once per plugged USB device, as soon as its first HID node can be opened; device is its key.
    void deviceArrived(quint16 vendorId, quint16 productId, const QString &device);
    // Once per USB device pulled out, after all its interfaces are gone; device is its key.
    void deviceRemoved(quint16 vendorId, quint16 productId, const QString &device);

public:
    // The key of the USB device that the hidraw node at node belongs to, as the signals name it: its
    // place on the bus and the number the bus gave it for this plug. Empty when udev does not know node.
    static QByteArray usbDeviceOfNode(const QByteArray &node);

private:
    void receive();
    void hidrawAdded(udev_device *hidraw);
    void usbDeviceRemoved(udev_device *usbDevice);

    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    // USB devices whose arrival was reported, so that a device with several HID interfaces arrives once
    QSet<QByteArray> m_announced;
};
