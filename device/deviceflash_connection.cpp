// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "qhiddevice.h"

#include <QDebug>
#include <QMutexLocker>

#include <algorithm>

bool DeviceFlash::isValidBlock(const QByteArray &block)
{
    return block.size() == BlockSize && quint8(block.at(0)) == 0x55 &&
        quint8(block.at(BlockSize - 1)) == 0xAA;
}

bool DeviceFlash::readBlock(quint32 address, QByteArray &block)
{
    // Read into a buffer of its own: a block that fails half way must not leave half a new block behind
    // for the versions that other threads read.
    QByteArray buffer(BlockSize, '\0');
    const bool read = readFlash(Command_Read, address, BlockSize, buffer.data(), 0);
    QMutexLocker locker(&stateLock);
    blockStates[address] = !read ? BlockState_Unreadable
        : address == Address_ExtraConfig || isValidBlock(buffer) ? BlockState_Valid
                                                                  : BlockState_Invalid;
    if (read)
        block = buffer;
    return read;
}

void DeviceFlash::publishVersion(const QString &text)
{
    {
        // A version read just before the adapter was pulled must not come back after the removal cleared it.
        QMutexLocker locker(&stateLock);
        if (text == m_strVersion || !taskHandleIsOpen())
            return;
        m_strVersion = text;
    }
    emit versionChanged(text);
}

void DeviceFlash::readDeviceConfig()
{
    if (!hid->isOpen())
        return;
    QByteArray config;
    {
        QMutexLocker locker(&stateLock);
        config = deviceConfig;
        blockStates.clear();
    }
    qInfo() << "readDeviceConfig...." << quint8(config.at(4)) << quint8(config.at(5)) << quint8(config.at(6));
    qInfo() << "DeviceFlash::readDeviceConfig" << int(Command_Read);
    if (!readBlock(Address_DeviceConfig, deviceConfig)) {
        emit error(DeviceError_Read_DEV_INFO);
        return;
    }
    config = deviceConfig;
    qInfo() << "DeviceFlash::readDeviceConfig" << int(Command_Read) << quint8(config.at(1))
            << quint8(config.at(2)) << quint8(config.at(3));
    if (!isValidBlock(config)) {
        qWarning() << "Hardware failure!";
        emit error(DeviceError_HardwareFailure);
        return;
    }
    if (!readBlock(Address_ExtraConfig, extraConfig)) {
        emit error(DeviceError_Read_DEV_INFO);
        return;
    }
    if (!readBlock(Address_FirmwareInfo, firmwareInfo)) {
        emit error(DeviceError_Read_DEV_INFO);
        return;
    }
    const QByteArray info = firmwareInfo;
    if (!isValidBlock(info)) {
        qWarning() << "Firmware lost!";
        emit error(DeviceError_FirmwareLost);
        return;
    }
    publishVersion(versionText(info, 5));
    if (quint8(config.at(4)) < 2)
        emit upgradeable(false);
}

QList<QHidDevice::Listing> DeviceFlash::adapters() const
{
    QList<QHidDevice::Listing> listed = QHidDevice::enumerate(VendorId);
    listed.erase(
        std::remove_if(listed.begin(), listed.end(),
            [&](const QHidDevice::Listing &adapter) { return !productIds.contains(adapter.productId); }),
        listed.end());
    return listed;
}

void DeviceFlash::setAdapterPath(const QByteArray &path)
{
    chosenPath = path;
}

void DeviceFlash::search()
{
    // The chosen adapter is opened under the product ID it is listed with, or not at all.
    QList<quint16> products = productIds;
    if (!chosenPath.isEmpty()) {
        products.clear();
        for (const QHidDevice::Listing &adapter : adapters()) {
            if (adapter.path == chosenPath)
                products = {adapter.productId};
        }
    }
    for (const quint16 product : qAsConst(products)) {
        // Plugged in while the search was waiting: the arrival has opened it and announces it itself.
        if (hid->isOpen())
            break;
        if (!open(VendorId, product, chosenPath))
            continue;
        bindHandle();
        if (product == Tavrune_B274) {
            probeDevice();
        } else {
            {
                QMutexLocker locker(&stateLock);
                m_bConnected = true;
                device = Tavrune(product);
            }
            qInfo() << "DeviceFlash::connected...." << Qt::hex << Qt::showbase << product;
            readDeviceConfig();
        }
        break;
    }
    QMutexLocker announcing(&announceLock);
    Tavrune announced;
    {
        // A removal handled meanwhile has cleared connected; an arrival has replaced the handle and
        // announces the adapter itself.
        QMutexLocker locker(&stateLock);
        if (!m_bConnected || !taskHandleIsOpen())
            return;
        announced = device;
    }
    qInfo() << "Device open! -- " << Qt::hex << Qt::showbase << int(announced);
    emit deviceConnectStatusChanged(true, announced);
}

void DeviceFlash::arrive(Tavrune product)
{
    if (product == Tavrune_B274) {
        probeDevice();
        return;
    }
    readDeviceConfig();
    QMutexLocker announcing(&announceLock);
    {
        // An adapter pulled (or plugged again) while its blocks were read is not announced by this task.
        QMutexLocker locker(&stateLock);
        if (!taskHandleIsOpen())
            return;
        m_bConnected = true;
        device = product;
    }
    emit deviceConnectStatusChanged(true, product);
}
