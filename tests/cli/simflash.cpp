// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// tavrune-flash against the simulated adapter, for the command-line tests: the same front end, with the
// adapter's world described by the environment.
//   TAVRUNE_SIM         ";"-separated settings: plug=PID[,PID...] (plugged at start, one adapter each, at
//                       /dev/hidraw0, /dev/hidraw1, ...), plugAfterMs=MS (plugged later,
//                       with the arrival notification the udev monitor would give), pullAt=N (pulled when
//                       command N arrives, with the removal notification), pullAfterMs=MS (pulled later),
//                       boot=X.Y.Z, firmware=X.Y.Z, flash=PATH (the information block and firmware area
//                       of a TAVRUNE_SIM_STATE file, as an earlier run left them), invert=ADDRESS (the flash
//                       byte there inverted, hexadecimal), fullSpeed (real USB timing), deadlineMs=MS (the
//                       catalogue request's and each download's deadline), node=PATH (the path the first
//                       adapter enumerates at, a file that other programs may lock)
//   TAVRUNE_SIM_SERVER  the catalogue server, instead of the maker's
//   TAVRUNE_SIM_STATE   a file that receives, at the end, the first adapter's firmware information block, its
//                       firmware area, the command codes it received and every adapter's information block
//                       (JSON, bytes in Base64)
#include "app/applicationidentity.h"
#include "cli/flashcli.h"
#include "sim/simadapter.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace {

void setVersion(const QString &text, void (*set)(quint8, quint8, quint8))
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() == 3)
        set(quint8(parts.at(0).toUInt()), quint8(parts.at(1).toUInt()), quint8(parts.at(2).toUInt()));
}

void loadState(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    SimAdapter::setFlash(0x08004100,
        QByteArray::fromBase64(state.value(QStringLiteral("firmwareInfo")).toString().toLatin1()));
    SimAdapter::setFlash(0x08005000,
        QByteArray::fromBase64(state.value(QStringLiteral("firmware")).toString().toLatin1()));
}

void writeState(const QString &path)
{
    QByteArray codes;
    for (const QByteArray &report : SimAdapter::transcript())
        codes.append(report.at(2));
    QJsonArray infos;
    for (int slot = 0; slot < SimAdapter::AdapterSlots; ++slot)
        infos.append(QString::fromLatin1(SimAdapter::flash(slot, 0x08004100, 256).toBase64()));
    const QJsonObject state {
        {QStringLiteral("firmwareInfo"), QString::fromLatin1(SimAdapter::flash(0x08004100, 256).toBase64())},
        {QStringLiteral("firmware"), QString::fromLatin1(SimAdapter::flash(0x08005000, 131072).toBase64())},
        {QStringLiteral("commands"), QString::fromLatin1(codes.toHex())},
        {QStringLiteral("firmwareInfos"), infos},
    };
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(state).toJson());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    ApplicationIdentity::apply();

    QHash<QString, QString> scenario;
    for (const QString &item : qEnvironmentVariable("TAVRUNE_SIM").split(QLatin1Char(';'), Qt::SkipEmptyParts))
        scenario.insert(item.section(QLatin1Char('='), 0, 0), item.section(QLatin1Char('='), 1));
    const QStringList plugged =
        scenario.value(QStringLiteral("plug"), QStringLiteral("b275")).split(QLatin1Char(','));
    const quint16 product = quint16(plugged.first().toUInt(nullptr, 16));

    SimAdapter::reset();
    setVersion(scenario.value(QStringLiteral("boot")), SimAdapter::setBootVersion);
    setVersion(scenario.value(QStringLiteral("firmware")), SimAdapter::setFirmwareVersion);
    if (scenario.contains(QStringLiteral("flash")))
        loadState(scenario.value(QStringLiteral("flash")));
    if (scenario.contains(QStringLiteral("invert"))) {
        const quint32 address = scenario.value(QStringLiteral("invert")).toUInt(nullptr, 16);
        SimAdapter::setFlash(address, QByteArray(1, char(~SimAdapter::flash(address, 1).at(0))));
    }
    if (scenario.contains(QStringLiteral("fullSpeed"))) {
        SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
        SimAdapter::setRealTimeouts(true);
    }
    if (scenario.contains(QStringLiteral("node")))
        SimAdapter::setNodePath(scenario.value(QStringLiteral("node")).toLocal8Bit());
    if (scenario.contains(QStringLiteral("plug"))) {
        for (int slot = 0; slot < plugged.size(); ++slot)
            SimAdapter::plug(slot, quint16(plugged.at(slot).toUInt(nullptr, 16)));
    }

    FlashCli cli(QUrl(qEnvironmentVariable("TAVRUNE_SIM_SERVER")));
    if (scenario.contains(QStringLiteral("deadlineMs"))) {
        const int deadline = scenario.value(QStringLiteral("deadlineMs")).toInt();
        cli.setNetworkDeadlines(deadline, deadline);
    }
    DeviceFlash *device = cli.device();
    if (scenario.contains(QStringLiteral("plugAfterMs"))) {
        QTimer::singleShot(scenario.value(QStringLiteral("plugAfterMs")).toInt(), device, [device, product] {
            SimAdapter::plug(product);
            device->deviceArrived(SimAdapter::VendorId, product);
        });
    }
    if (scenario.contains(QStringLiteral("pullAfterMs"))) {
        QTimer::singleShot(scenario.value(QStringLiteral("pullAfterMs")).toInt(), device, [device, product] {
            SimAdapter::plug(0);
            device->deviceRemoved(SimAdapter::VendorId, product);
        });
    }
    if (scenario.contains(QStringLiteral("pullAt"))) {
        const int pullAt = scenario.value(QStringLiteral("pullAt")).toInt();
        SimAdapter::injectFault(pullAt, SimAdapter::Fault::Pulled);
        SimAdapter::setExchangeHook([device, product, pullAt](int exchange) {
            if (exchange == pullAt)
                QMetaObject::invokeMethod(device,
                    [device, product] { device->deviceRemoved(SimAdapter::VendorId, product); },
                    Qt::QueuedConnection);
        });
    }

    const int code = cli.run(app.arguments());
    const QString statePath = qEnvironmentVariable("TAVRUNE_SIM_STATE");
    if (!statePath.isEmpty())
        writeState(statePath);
    return code;
}
