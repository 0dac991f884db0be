// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QHidDevicePrivate;

// One open HID device, read and written in whole reports.
//
// open, close, read and write may be called from different threads at the same time: a handle that is
// closed or replaced while a transfer is using it stays alive until that transfer returns, and every later
// transfer bound to it fails with -1 without reaching hidapi.
class QHidDevice : public QObject
{
    Q_OBJECT
    Q_DECLARE_PRIVATE(QHidDevice)

public:
    explicit QHidDevice(QObject *parent = nullptr);
    ~QHidDevice() override;

    // Closes a handle that is still open first; an empty serial number means any device of the pair.
    // Opens the device hid_open would (the first one enumeration lists for the pair and serial number),
    // by its path, and remembers that path.
    bool open(quint16 vendorId, quint16 productId, const QString &serialNumber = QString());
    // Opens the device at path, a path as enumeration lists it (the hidraw node on Linux, the interface
    // path on Windows); closes a handle that is still open first.
    bool openPath(const QByteArray &path);
    void close();
    bool isOpen() const;
    // The path of the device open now, empty while closed.
    QByteArray path() const;
    // The path of the device hid_open would open for the pair and serial number: the first that
    // enumeration lists. Empty when none is listed.
    static QByteArray firstPath(quint16 vendorId, quint16 productId, const QString &serialNumber = QString());
    // Whether enumeration lists a device at path among the vendor's devices.
    static bool isListed(quint16 vendorId, const QByteArray &path);
    // One device as enumeration lists it.
    struct Listing
    {
        QByteArray path;
        quint16 productId;
        QString serialNumber; // empty when it reports none
    };
    // Every device of the vendor, in the order enumeration lists them.
    static QList<Listing> enumerate(quint16 vendorId);

    // Names the handle open now, 0 while closed; no two opens ever share a name.
    quint64 handleId() const;

    // On the handle open now: bytes read, 0 on time-out, -1 on error or while closed.
    int read(QByteArray &buffer, int length, int timeoutMs);
    // On the handle open now: bytes written, -1 on error or while closed.
    int write(const QByteArray &data, int length = -1);

    // As above, but only on the handle named handleId: once it is closed or replaced they fail with -1.
    int read(quint64 handleId, QByteArray &buffer, int length, int timeoutMs);
    int write(quint64 handleId, const QByteArray &data, int length = -1);
};
