// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QtEndian>

#include <cstring>
#include <memory>

std::unique_ptr<FlashImage> DeviceFlash::firmwareImage(const QString &path)
{
    // An empty or unreadable file has been reported by getFirmwareData already.
    const QByteArray fileData = getFirmwareData(path);
    QByteArray image;
    QByteArray versionBytes;
    if (fileData.isEmpty() || !unpackFirmware(fileData, image, versionBytes))
        return nullptr;

    const auto size = quint32(image.size());
    auto flash = std::make_unique<FlashImage>();

    FlashRegion &firmware = flash->regions[0];
    firmware.address = Address_Firmware;
    firmware.length = size;
    std::memcpy(firmware.data, image.constData(), size);

    FlashRegion &info = flash->regions[1];
    info.address = Address_FirmwareInfo;
    info.length = BlockSize;
    auto *block = reinterpret_cast<uchar *>(info.data);
    block[0] = 0x55;
    qToLittleEndian<quint32>(Address_Firmware, block + 1);
    std::memcpy(block + 5, versionBytes.constData(), 3);
    qToLittleEndian<quint32>(size, block + 8);
    std::memcpy(block + 12, QCryptographicHash::hash(image, QCryptographicHash::Md5).constData(), 16);
    block[BlockSize - 1] = 0xAA;

    flash->total = size + BlockSize;
    return flash;
}

void DeviceFlash::updateFirmware(const QString &path)
{
    startTask([this, path] { runUpdate(path); });
}

void DeviceFlash::runUpdate(const QString &path)
{
    std::unique_ptr<FlashImage> flash = firmwareImage(path);
    if (!flash)
        return;

    qWarning() << "updateFirmware";
    emit dataStoreProgressChanged(0, flash->total);

    flashing.storeRelease(true);
    if (eraseFlash(*flash) == -1)
        emit error(DeviceError_EraseFlash);
    else
        write2Flash(*flash, 0);
    flashing.storeRelease(false);
    flash.reset();

    // Whatever the write achieved, the block now on the adapter tells which version it carries.
    if (readBlock(Address_FirmwareInfo, firmwareInfo) && isValidBlock(firmwareInfo))
        publishVersion(versionText(firmwareInfo, 5));
}
