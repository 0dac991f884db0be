// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "signalrecorder.h"

#include "device/deviceflash.h"

#include <QMetaEnum>

namespace {
QString bits(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString progress(const char *name, qint64 current, qint64 total)
{
    return QStringLiteral("%1 %2/%3").arg(QLatin1String(name)).arg(current).arg(total);
}
} // namespace

SignalRecorder::SignalRecorder(DeviceFlash *device)
{
    const auto queued = Qt::QueuedConnection;
    connect(
        device, &DeviceFlash::error, this,
        [this](int error) { events << QStringLiteral("error %1").arg(error); }, queued);
    connect(
        device, &DeviceFlash::versionChanged, this,
        [this](const QString &version) { events << QStringLiteral("version ") + version; }, queued);
    connect(
        device, &DeviceFlash::isBusyChanged, this,
        [this](bool busy) { events << QStringLiteral("busy ") + bits(busy); }, queued);
    connect(
        device, &DeviceFlash::upgradeable, this,
        [this](bool state) { events << QStringLiteral("upgradeable ") + bits(state); }, queued);
    connect(
        device, &DeviceFlash::deviceConnectStatusChanged, this,
        [this](bool connected, DeviceFlash::Tavrune id) {
            events << QStringLiteral("connected %1 %2").arg(bits(connected)).arg(int(id), 0, 16);
        },
        queued);
    connect(
        device, &DeviceFlash::write2FlashProgressChanged, this,
        [this](qint64 c, qint64 t) { events << progress("write", c, t); }, queued);
    connect(
        device, &DeviceFlash::dataBackupProgressChanged, this,
        [this](qint64 c, qint64 t, char *) { events << progress("backup", c, t); }, queued);
    connect(
        device, &DeviceFlash::dataStoreProgressChanged, this,
        [this](qint64 c, qint64 t) { events << progress("store", c, t); }, queued);
    connect(
        device, &DeviceFlash::settingProgressChanged, this,
        [this](qint64 c, qint64 t) { events << progress("setting", c, t); }, queued);
    connect(
        device, &DeviceFlash::updateFinished, this,
        [this](DeviceFlash::UpdateOutcome outcome, qint64 verified, FirmwareFile::Fault refusal) {
            const QString name = QString::fromLatin1(
                QMetaEnum::fromType<DeviceFlash::UpdateOutcome>().valueToKey(outcome)).section(QLatin1Char('_'), 1);
            events << QStringLiteral("finished %1 %2 %3").arg(name).arg(verified).arg(int(refusal));
        },
        queued);
}
