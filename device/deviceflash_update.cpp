// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QtEndian>

#include <cstring>
#include <memory>

FlashImage &DeviceFlash::imageFor(const FirmwareFile &file)
{
    const QByteArray image = file.image();
    const QByteArray versionBytes = file.versionBytes();
    const auto size = quint32(image.size());
    // Made by the first task that needs it and kept: only the table and the bytes an update writes are set,
    // since eraseFlash, write2Flash and the verify stop at the first unused region and read no more of a
    // region than its length. So no task fills or maps all 1.9 MiB, and only the pages written ever become
    // resident.
    if (!flashImage)
        flashImage.reset(new FlashImage);
    FlashImage &flash = *flashImage;
    for (FlashRegion &region : flash.regions)
        region.address = region.length = 0;
    FlashRegion &firmware = flash.regions[0];
    firmware.address = Address_Firmware;
    firmware.length = size;
    std::memcpy(firmware.data, image.constData(), size);

    FlashRegion &info = flash.regions[1];
    info.address = Address_FirmwareInfo;
    info.length = BlockSize;
    auto *block = reinterpret_cast<uchar *>(info.data);
    std::memset(block, 0, BlockSize);
    block[0] = 0x55;
    qToLittleEndian<quint32>(Address_Firmware, block + 1);
    std::memcpy(block + 5, versionBytes.constData(), 3);
    qToLittleEndian<quint32>(size, block + 8);
    std::memcpy(block + 12, QCryptographicHash::hash(image, QCryptographicHash::Md5).constData(), 16);
    block[BlockSize - 1] = 0xAA;

    flash.total = size + BlockSize;
    return flash;
}

void DeviceFlash::updateFirmware(const QString &path)
{
    startTask([this, path] {
        qint64 verified = 0;
        FirmwareFile::Fault refusal = FirmwareFile::Fault_None;
        const UpdateOutcome outcome = runUpdate(path, verified, refusal);
        emit updateFinished(outcome, verified, refusal);
    });
}

DeviceFlash::UpdateOutcome DeviceFlash::runUpdate(const QString &path, qint64 &verified, FirmwareFile::Fault &refusal)
{
    // An empty or unreadable file has been reported by readFirmwareFile already.
    const FirmwareFile read = readFirmwareFile(path);
    if (read.fault() != FirmwareFile::Fault_None) {
        refusal = read.fault();
        return UpdateOutcome_FileRefused;
    }
    if (!taskHandleIsOpen()) {
        qWarning() << "updateFirmware Device.isOpen" << false;
        return adapterGone();
    }
    const FirmwareFile file = unpackFirmware(read.data());
    if (file.fault() != FirmwareFile::Fault_None) {
        refusal = file.fault();
        return UpdateOutcome_FileRefused;
    }

    qWarning() << "updateFirmware";
    FlashImage &flash = imageFor(file);
    emit dataStoreProgressChanged(0, flash.total);

    flashing.storeRelease(true);
    // The information block is erased first and written last: however the update stops, the adapter holds
    // either its old firmware under its old block, or an erased block, never a valid block over a firmware
    // area that does not match it, which a boot loader trusting the block would jump into.
    const FlashRegion &firmwareArea = flash.regions[0];
    const FlashRegion &informationBlock = flash.regions[1];
    const bool erased = eraseRegion(informationBlock) && eraseRegion(firmwareArea);
    if (!erased)
        emit error(DeviceError_EraseFlash);
    else
        verified = write2Flash(flash, 0);
    flashing.storeRelease(false);
    const bool written = verified == qint64(flash.total);
    // Asked before the read-back, whose failure would say nothing about this. A failed erase is reported as
    // such whatever made it fail: whether a pulled adapter's removal has been handled by then is a race.
    const bool pulled = erased && !written && !taskHandleIsOpen();

    // Whatever the write achieved, the block now on the adapter tells which version it carries. After a
    // failure the version read before no longer holds unless the block still says so: an adapter whose
    // block was erased, or cannot be read, is shown without a version instead of with the one it lost.
    const bool readBack = readBlock(Address_FirmwareInfo, firmwareInfo);
    if (readBack && isValidBlock(firmwareInfo)) {
        publishVersion(versionText(firmwareInfo, 5));
    } else if (!written) {
        if (readBack)
            qWarning() << "Firmware lost!";
        publishVersion(QString());
    }
    if (written)
        return UpdateOutcome_Success;
    if (!erased)
        return UpdateOutcome_EraseFailed;
    return pulled ? UpdateOutcome_AdapterPulled : UpdateOutcome_WriteFailed;
}
