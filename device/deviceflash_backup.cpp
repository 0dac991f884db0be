// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QtEndian>

void DeviceFlash::backupFirmware()
{
    startTask([this] {
        QByteArray versionBytes;
        QByteArray image;
        const BackupOutcome outcome = runBackup(versionBytes, image);
        emit firmwareBackedUp(outcome, versionBytes, image);
    });
}

DeviceFlash::BackupOutcome DeviceFlash::runBackup(QByteArray &versionBytes, QByteArray &image)
{
    // Read again rather than trusted from connecting: an update may have changed it since.
    if (!readBlock(Address_FirmwareInfo, firmwareInfo))
        return BackupOutcome_ReadFailed;
    const QByteArray info = firmwareInfo;
    const auto *block = reinterpret_cast<const uchar *>(info.constData());
    const quint32 start = qFromLittleEndian<quint32>(block + 1);
    const quint32 length = qFromLittleEndian<quint32>(block + 8);
    // Whatever a block with another start or length describes, it is not an image that an update could
    // write back where it came from.
    if (!isValidBlock(info) || start != Address_Firmware || length == 0 || length > FlashRegion::Capacity) {
        qWarning() << "backupFirmware invalid block" << Qt::hex << Qt::showbase << start << length;
        return BackupOutcome_InvalidBlock;
    }
    QByteArray area;
    if (!readArea(Address_Firmware, length, area))
        return BackupOutcome_ReadFailed;
    if (QCryptographicHash::hash(area, QCryptographicHash::Md5) != info.mid(12, 16)) {
        qWarning() << "backupFirmware md5 error";
        return BackupOutcome_DigestMismatch;
    }
    versionBytes = info.mid(5, 3);
    image = area;
    return BackupOutcome_Success;
}
