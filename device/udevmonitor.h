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
    // Once per plugged USB device, as soon as its first HID node can be opened.
    void deviceArrived(quint16 vendorId, quint16 productId);
    // Once per USB device pulled out, after all its interfaces are gone.
    void deviceRemoved(quint16 vendorId, quint16 productId);

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
