// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "flashcli.h"

#include "device/firmwarefile.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSaveFile>

int FlashCli::backup(const QString &path)
{
    m_result.insert(QStringLiteral("file"), path);
    QSaveFile file(path);
    int code = openBackup(path, file);
    if (code == Exit_Success)
        code = findAdapter();
    if (code == Exit_Success)
        code = backUp(file, m_result);
    if (code != Exit_Success)
        return code;
    awaitUnplug();
    return Exit_Success;
}

int FlashCli::openBackup(const QString &path, QSaveFile &file)
{
    if (QFileInfo(path).isDir())
        return fail(Exit_Usage, QStringLiteral("%1 is a directory, not a firmware file").arg(path));
    // Made beside path and renamed over it only once the backup is whole, so that a failed or interrupted
    // backup leaves path as it was; opening it now proves the folder writable before the adapter is read.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fail(Exit_Usage, QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    return Exit_Success;
}

int FlashCli::backUp(QSaveFile &file, QJsonObject &facts)
{
    const QString path = file.fileName();
    const QString current = m_device->version();
    say(QStringLiteral("Reading firmware %1 back from the adapter into %2...")
            .arg(current.isEmpty() ? QStringLiteral("unknown") : current, path));

    bool finished = false;
    DeviceFlash::BackupOutcome outcome = DeviceFlash::BackupOutcome_ReadFailed;
    QByteArray versionBytes;
    QByteArray image;
    qint64 read = 0;
    qint64 total = 0;
    const QMetaObject::Connection progress = connect(
        m_device, &DeviceFlash::dataBackupProgressChanged, this,
        [&](qint64 current, qint64 length) {
            read = current;
            total = length;
            showProgress(QStringLiteral("Read"), current, length);
        },
        Qt::QueuedConnection);
    const QMetaObject::Connection done = connect(
        m_device, &DeviceFlash::firmwareBackedUp, this,
        [&](DeviceFlash::BackupOutcome result, const QByteArray &version, const QByteArray &bytes) {
            finished = true;
            outcome = result;
            versionBytes = version;
            image = bytes;
            wake();
        },
        Qt::QueuedConnection);
    m_device->backupFirmware();
    waitUntil([&] { return finished; });
    settle();
    disconnect(progress);
    disconnect(done);
    endProgress();
    facts.insert(QStringLiteral("read"), read);
    facts.insert(QStringLiteral("total"), total);

    const QString mismatch =
        QStringLiteral("the adapter's firmware does not match its information block: nothing to back up");
    switch (outcome) {
    case DeviceFlash::BackupOutcome_Success:
        break;
    case DeviceFlash::BackupOutcome_InvalidBlock:
        facts.insert(QStringLiteral("reason"), QStringLiteral("invalidBlock"));
        return fail(Exit_NothingToBackUp, mismatch);
    case DeviceFlash::BackupOutcome_DigestMismatch:
        facts.insert(QStringLiteral("reason"), QStringLiteral("digest"));
        return fail(Exit_NothingToBackUp, mismatch);
    case DeviceFlash::BackupOutcome_ReadFailed:
        if (read == 0 && !m_adapter.connected)
            return fail(Exit_NoAdapter, QStringLiteral("the adapter was unplugged before the read began"));
        return fail(Exit_WriteFailed,
            QStringLiteral(
                "the read stopped after %1 of %2 bytes: nothing was written to %3; plug the adapter "
                "in again and repeat the backup")
                .arg(read)
                .arg(total)
                .arg(path));
    }

    // The one refusal of check and update that an image described by a valid block can still meet.
    const QByteArray data = FirmwareFile::pack(versionBytes, image);
    const FirmwareFile packed = FirmwareFile::unpack(data);
    facts.insert(QStringLiteral("firmwareVersion"), packed.versionText());
    if (packed.fault() != FirmwareFile::Fault_None) {
        facts.insert(QStringLiteral("reason"), QStringLiteral("version"));
        return fail(Exit_NothingToBackUp,
            QStringLiteral(
                "the adapter's firmware %1 is below 2.0.0, which check and update refuse: nothing to "
                "back up")
                .arg(packed.versionText()));
    }
    if (file.write(data) != data.size() || !file.commit())
        return fail(Exit_Usage, QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));

    const QString md5 = QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex());
    facts.insert(QStringLiteral("imageSize"), image.size());
    facts.insert(QStringLiteral("md5"), md5);
    say(QStringLiteral(
        "Backed up firmware %1 (%2 bytes, MD5 %3, as the adapter's information block says) to %4.")
            .arg(packed.versionText())
            .arg(image.size())
            .arg(md5, path));
    return Exit_Success;
}
