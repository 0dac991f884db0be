// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "firmwarefile.h"

#include <QDebug>

QByteArray DeviceFlash::getFirmwareData(const QString &path)
{
    return readFirmwareFile(path).data();
}

FirmwareFile DeviceFlash::readFirmwareFile(const QString &path)
{
    FirmwareFile file = FirmwareFile::read(path);
    if (file.fault() != FirmwareFile::Fault_None)
        emit error(DeviceError_FirmwareFileDamage);
    return file;
}

FirmwareFile DeviceFlash::unpackFirmware(const QByteArray &fileData)
{
    FirmwareFile file = FirmwareFile::unpack(fileData);
    switch (file.fault()) {
    case FirmwareFile::Fault_None:
        break;
    case FirmwareFile::Fault_Version:
    case FirmwareFile::Fault_ImageSize:
        emit error(DeviceError_InvalidFile);
        break;
    default:
        emit error(DeviceError_FirmwareFileDamage);
        break;
    }
    return file;
}
