// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT

#include "deviceflash.h"

void DeviceFlash::verifyFirmware(const QString &path)
{
    startTask([this, path] {
        if (!runVerify(path))
            emit firmwareVerified(false, -1, 0);
    });
}

bool DeviceFlash::runVerify(const QString &path)
{
    // Refused as the update refuses it, so that "identical" means what updating with this file would give;
    // a refusal has been reported already.
    const FirmwareFile read = readFirmwareFile(path);
    if (read.fault() != FirmwareFile::Fault_None)
        return false;
    const FirmwareFile file = unpackFirmware(read.data());
    if (file.fault() != FirmwareFile::Fault_None)
        return false;
    const FlashImage &expected = imageFor(file);
    qint64 firstDifference = -1;
    qint64 differing = 0;
    QByteArray readBack;
    // In the order the update writes, one exchange at a time as every transfer is.
    for (const FlashRegion &region : expected.regions) {
        if (region.length == 0)
            break;
        if (!readArea(region.address, region.length, readBack))
            return false;
        for (quint32 offset = 0; offset < region.length; ++offset) {
            if (readBack.at(int(offset)) == region.data[offset])
                continue;
            const qint64 address = qint64(region.address) + offset;
            if (firstDifference < 0 || address < firstDifference)
                firstDifference = address;
            ++differing;
        }
    }
    emit firmwareVerified(true, firstDifference, differing);
    return true;
}

bool DeviceFlash::readArea(quint32 address, quint32 length, QByteArray &area)
{
    area.resize(int(length));
    return readFlash(Command_Read, address, length, area.data(), 1);
}
