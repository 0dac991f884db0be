// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "qhiddevice.h"
#include "qhiddevice_p.h"

#include <QDebug>

#include <atomic>
#include <string>

namespace {

// Handle names are unique across all devices so that a name kept by a task can never come back.
std::atomic<quint64> lastHandleId {0};

int readFrom(const std::shared_ptr<hid_device> &handle, QByteArray &buffer, int length, int timeoutMs)
{
    if (length == -1)
        length = buffer.size();
    if (!handle || length < 0) {
        buffer.clear();
        return -1;
    }
    buffer.fill('\0', length);
    const int count = hid_read_timeout(
        handle.get(), reinterpret_cast<unsigned char *>(buffer.data()), size_t(length), timeoutMs);
    buffer.resize(qBound(0, count, length));
    return count;
}

int writeTo(const std::shared_ptr<hid_device> &handle, const QByteArray &data, int length)
{
    if (length == -1)
        length = data.size();
    if (!handle || length < 0 || length > data.size())
        return -1;
    return hid_write(handle.get(), reinterpret_cast<const unsigned char *>(data.constData()), size_t(length));
}

} // namespace

std::shared_ptr<hid_device> QHidDevicePrivate::pinCurrent() const
{
    std::lock_guard<std::mutex> locker(handleLock);
    return handle;
}

std::shared_ptr<hid_device> QHidDevicePrivate::pin(quint64 id) const
{
    std::lock_guard<std::mutex> locker(handleLock);
    return id != 0 && id == handleId ? handle : nullptr;
}

void QHidDevicePrivate::replace(hid_device *newHandle, const QByteArray &newPath)
{
    std::shared_ptr<hid_device> next;
    if (newHandle)
        next.reset(newHandle, hid_close);
    std::shared_ptr<hid_device> previous;
    {
        std::lock_guard<std::mutex> locker(handleLock);
        previous.swap(handle);
        handle = std::move(next);
        handleId = handle ? ++lastHandleId : 0;
        path = handle ? newPath : QByteArray();
    }
    // previous goes out of scope here, outside the lock: hid_close runs now unless a transfer still holds it.
}

QHidDevice::QHidDevice(QObject *parent)
    : QObject(*new QHidDevicePrivate, parent)
{
    // Where the HID layer cannot start (a system library missing a function hidapi needs), every search
    // finds nothing: say why, or the user is only told that no adapter is plugged in.
    if (hid_init() != 0)
        qWarning() << "QHidDevice: the HID layer could not start; no adapter can be found.";
}

QHidDevice::~QHidDevice()
{
    close();
}

bool QHidDevice::open(quint16 vendorId, quint16 productId, const QString &serialNumber)
{
    close();
    const QByteArray path = firstPath(vendorId, productId, serialNumber);
    return !path.isEmpty() && openPath(path);
}

QByteArray QHidDevice::firstPath(quint16 vendorId, quint16 productId, const QString &serialNumber)
{
    const std::wstring serial = serialNumber.toStdWString();
    QByteArray path;
    hid_device_info *devices = hid_enumerate(vendorId, productId);
    for (const hid_device_info *device = devices; device; device = device->next) {
        if (device->vendor_id == vendorId && device->product_id == productId &&
            (serial.empty() || (device->serial_number && serial == device->serial_number))) {
            path = device->path;
            break;
        }
    }
    hid_free_enumeration(devices);
    return path;
}

bool QHidDevice::isListed(quint16 vendorId, const QByteArray &path)
{
    bool listed = false;
    hid_device_info *devices = hid_enumerate(vendorId, 0);
    for (const hid_device_info *device = devices; device && !listed; device = device->next)
        listed = path == device->path;
    hid_free_enumeration(devices);
    return listed;
}

QList<QHidDevice::Listing> QHidDevice::enumerate(quint16 vendorId)
{
    QList<Listing> listed;
    hid_device_info *devices = hid_enumerate(vendorId, 0);
    for (const hid_device_info *device = devices; device; device = device->next) {
        if (device->vendor_id == vendorId)
            listed.append({QByteArray(device->path), device->product_id,
                device->serial_number ? QString::fromWCharArray(device->serial_number) : QString()});
    }
    hid_free_enumeration(devices);
    return listed;
}

bool QHidDevice::openPath(const QByteArray &path)
{
    Q_D(QHidDevice);
    close();
    d->replace(path.isEmpty() ? nullptr : hid_open_path(path.constData()), path);
    return isOpen();
}

void QHidDevice::close()
{
    Q_D(QHidDevice);
    d->replace(nullptr);
}

bool QHidDevice::isOpen() const
{
    return handleId() != 0;
}

QByteArray QHidDevice::path() const
{
    Q_D(const QHidDevice);
    std::lock_guard<std::mutex> locker(d->handleLock);
    return d->path;
}

quint64 QHidDevice::handleId() const
{
    Q_D(const QHidDevice);
    std::lock_guard<std::mutex> locker(d->handleLock);
    return d->handleId;
}

int QHidDevice::read(QByteArray &buffer, int length, int timeoutMs)
{
    Q_D(QHidDevice);
    return readFrom(d->pinCurrent(), buffer, length, timeoutMs);
}

int QHidDevice::write(const QByteArray &data, int length)
{
    Q_D(QHidDevice);
    return writeTo(d->pinCurrent(), data, length);
}

int QHidDevice::read(quint64 handleId, QByteArray &buffer, int length, int timeoutMs)
{
    Q_D(QHidDevice);
    return readFrom(d->pin(handleId), buffer, length, timeoutMs);
}

int QHidDevice::write(quint64 handleId, const QByteArray &data, int length)
{
    Q_D(QHidDevice);
    return writeTo(d->pin(handleId), data, length);
}
