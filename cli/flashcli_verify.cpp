// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT

#include "flashcli.h"

#include "device/firmwarefile.h"

#include <QJsonValue>

int FlashCli::verify(const QString &path, const QString &version)
{
    QString file;
    FirmwareFile checked;
    int code = prepare(path, version, file, checked);
    if (code != Exit_Success)
        return code;

    // An adapter whose information block is erased is worth comparing too: that is what it is asked for.
    m_adapter.errors.clear();
    const qint64 total = checked.image().size() + DeviceFlash::BlockSize;
    const QString current = m_device->version();
    m_result.insert(
        QStringLiteral("firmwareVersion"), current.isEmpty() ? QJsonValue() : QJsonValue(current));
    say(QStringLiteral("Reading %1 bytes back from the adapter (firmware %2) to compare them with firmware "
                       "%3...")
            .arg(total)
            .arg(current.isEmpty() ? QStringLiteral("unknown") : current, checked.versionText()));

    // The read comes region by region, each counting from 0: the firmware area, then the information block.
    qint64 regionsRead = 0;
    qint64 read = 0;
    bool finished = false;
    bool readBack = false;
    qint64 firstDifference = -1;
    qint64 differing = 0;
    const QMetaObject::Connection progress = connect(m_device, &DeviceFlash::dataBackupProgressChanged, this,
        [&](qint64 current, qint64 regionTotal) {
            read = regionsRead + current;
            if (current == regionTotal)
                regionsRead += regionTotal;
            showProgress(QStringLiteral("Read"), read, total);
        },
        Qt::QueuedConnection);
    const QMetaObject::Connection outcome = connect(m_device, &DeviceFlash::firmwareVerified, this,
        [&](bool complete, qint64 first, qint64 count) {
            finished = true;
            readBack = complete;
            firstDifference = first;
            differing = count;
            wake();
        },
        Qt::QueuedConnection);
    m_device->verifyFirmware(file);
    waitUntil([&] { return finished; });
    settle();
    disconnect(progress);
    disconnect(outcome);
    endProgress();

    m_result.insert(QStringLiteral("read"), read);
    m_result.insert(QStringLiteral("total"), total);
    if (!m_adapter.errors.isEmpty())
        return fail(Exit_FileRefused, QStringLiteral("%1 was refused while the verify read it").arg(file));
    if (!readBack && read == 0 && !m_adapter.connected)
        return fail(Exit_NoAdapter, QStringLiteral("the adapter was unplugged before the read began"));
    if (!readBack)
        return fail(Exit_WriteFailed,
            QStringLiteral("the read-back stopped after %1 of %2 bytes: nothing was compared; plug the "
                           "adapter in again and repeat the verify")
                .arg(read)
                .arg(total));

    m_result.insert(QStringLiteral("identical"), differing == 0);
    if (differing == 0) {
        say(QStringLiteral("Identical: the adapter holds exactly what updating with %1 writes.").arg(file));
        code = Exit_Success;
    } else {
        const QString address = QStringLiteral("0x%1").arg(
            QString::number(firstDifference, 16).toUpper().rightJustified(8, QLatin1Char('0')));
        const bool inInfoBlock = firstDifference < DeviceFlash::Address_Firmware;
        m_result.insert(QStringLiteral("firstDifference"), address);
        m_result.insert(QStringLiteral("firstDifferenceIn"),
            inInfoBlock ? QStringLiteral("firmwareInfo") : QStringLiteral("firmware"));
        m_result.insert(QStringLiteral("differingBytes"), differing);
        say(QStringLiteral("Differs: %1 of %2 bytes are not what updating with %3 writes; the first at %4, "
                           "in the %5.")
                .arg(differing)
                .arg(total)
                .arg(file, address,
                    inInfoBlock ? QStringLiteral("firmware information block")
                                : QStringLiteral("firmware area")));
        code = Exit_Differs;
    }
    awaitUnplug();
    return code;
}
