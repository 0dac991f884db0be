// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "firmwarefile.h"

#include <QDebug>

QByteArray DeviceFlash::getFirmwareData(const QString &path)
{
    const FirmwareFile file = FirmwareFile::read(path);
    if (file.fault() != FirmwareFile::Fault_None)
        emit error(DeviceError_FirmwareFileDamage);
    return file.data();
}

bool DeviceFlash::unpackFirmware(const QByteArray &fileData, QByteArray &image, QByteArray &versionBytes)
{
    if (!taskHandleIsOpen()) {
        qWarning() << "updateFirmware Device.isOpen" << false;
        return false;
    }
    const FirmwareFile file = FirmwareFile::unpack(fileData);
    switch (file.fault()) {
    case FirmwareFile::Fault_None:
        image = file.image();
        versionBytes = file.versionBytes();
        return true;
    case FirmwareFile::Fault_Version:
    case FirmwareFile::Fault_ImageSize:
        emit error(DeviceError_InvalidFile);
        return false;
    default:
        emit error(DeviceError_FirmwareFileDamage);
        return false;
    }
}
