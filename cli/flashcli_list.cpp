// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "flashcli.h"

#include <QJsonArray>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int PlugPollMs = 250; // how often --wait looks whether all but one adapter have been unplugged

} // namespace

QString FlashCli::pluggedIn(const QList<QHidDevice::Listing> &adapters)
{
    QStringList names;
    for (const QHidDevice::Listing &adapter : adapters) {
        names << QStringLiteral("%1 (%2%3)")
                     .arg(QString::fromLocal8Bit(adapter.path), productText(adapter.productId),
                         adapter.serialNumber.isEmpty() ? QString()
                                                        : QStringLiteral(", serial ") + adapter.serialNumber);
    }
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

int FlashCli::chooseAdapter()
{
    QList<QHidDevice::Listing> listed = m_device->adapters();
    if (!m_devicePath.isEmpty()) {
        m_result.insert(QStringLiteral("device"), QString::fromLocal8Bit(m_devicePath));
        m_device->setAdapterPath(m_devicePath);
        const bool present = std::any_of(listed.begin(), listed.end(),
            [this](const QHidDevice::Listing &adapter) { return adapter.path == m_devicePath; });
        // With --wait it may be plugged in yet; the search then says whether it came.
        if (!present && !m_wait)
            return fail(Exit_NoAdapter,
                QStringLiteral("no Tavrune M4 adapter at %1 (plugged in: %2)")
                    .arg(QString::fromLocal8Bit(m_devicePath), pluggedIn(listed)));
        return Exit_Success;
    }
    if (listed.size() > 1 && m_wait) {
        note(QStringLiteral("%1 adapters are plugged in: waiting until only one is left...")
                 .arg(listed.size()));
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, &FlashCli::wake);
        poll.start(PlugPollMs);
        waitUntil(
            [&] {
                listed = m_device->adapters();
                return listed.size() <= 1;
            },
            m_waitSeconds < 0 ? -1 : m_waitSeconds * 1000);
    }
    if (listed.size() > 1) {
        QJsonArray adapters;
        for (const QHidDevice::Listing &adapter : qAsConst(listed))
            adapters.append(QString::fromLocal8Bit(adapter.path));
        m_result.insert(QStringLiteral("adapters"), adapters);
        return fail(Exit_Usage,
            QStringLiteral("%1 Tavrune M4 adapters are plugged in: choose one with --device "
                           "PATH (plugged in: %2)")
                .arg(listed.size())
                .arg(pluggedIn(listed)));
    }
    return Exit_Success;
}

int FlashCli::list()
{
    QJsonArray adapters;
    const QList<QHidDevice::Listing> listed = m_device->adapters();
    for (const QHidDevice::Listing &adapter : listed) {
        // A link of its own for each: it opens that adapter alone, under the user's lock, as info does.
        DeviceFlash link;
        link.setAdapterPath(adapter.path);
        bool ended = false;
        bool connected = false;
        QString holder; // who has it in use, when another program does
        bool denied = false; // this user may not open it
        connect(
            &link, &DeviceFlash::deviceConnectStatusChanged, this, [&](bool now) { connected = now; },
            Qt::QueuedConnection);
        connect(
            &link, &DeviceFlash::adapterInUse, this,
            [&](const QString &who) { holder = who.isEmpty() ? QStringLiteral("another program") : who; },
            Qt::QueuedConnection);
        connect(
            &link, &DeviceFlash::accessDenied, this,
            [&](const QString &, DeviceFlash::AccessDenial cause) {
                if (cause == DeviceFlash::AccessDenial_Busy)
                    holder = QStringLiteral("another program");
                else
                    denied = true;
            },
            Qt::QueuedConnection);
        connect(
            &link, &DeviceFlash::isBusyChanged, this,
            [&](bool busy) {
                ended = !busy;
                wake();
            },
            Qt::QueuedConnection);
        link.connected();
        waitUntil([&] { return ended; });

        const QString path = QString::fromLocal8Bit(adapter.path);
        const QString product = productText(adapter.productId);
        const QString version = connected ? link.version() : QString();
        QJsonObject facts {
            {QStringLiteral("productId"), product},
            {QStringLiteral("path"), path},
            {QStringLiteral("serialNumber"),
                adapter.serialNumber.isEmpty() ? QJsonValue() : QJsonValue(adapter.serialNumber)},
            {QStringLiteral("firmwareVersion"), version.isEmpty() ? QJsonValue() : QJsonValue(version)},
        };
        QString line =
            QStringLiteral("%1  %2  serial %3  ")
                .arg(product, path,
                    adapter.serialNumber.isEmpty() ? QStringLiteral("none") : adapter.serialNumber);
        if (!holder.isEmpty()) {
            facts.insert(QStringLiteral("inUseBy"), holder);
            line += QStringLiteral("in use by %1").arg(holder);
        } else if (denied) {
            facts.insert(QStringLiteral("accessDenied"), true);
            line += QStringLiteral("this user may not open it (the package's udev rule gives access)");
        } else {
            const QJsonObject blocks = blockStates(link);
            facts.insert(QStringLiteral("blocks"), blocks);
            line += QStringLiteral("firmware %1  device configuration %2, firmware information %3, extra "
                                   "configuration %4")
                        .arg(version.isEmpty() ? QStringLiteral("unknown") : version,
                            blocks.value(QStringLiteral("deviceConfig")).toString(),
                            blocks.value(QStringLiteral("firmwareInfo")).toString(),
                            blocks.value(QStringLiteral("extraConfig")).toString());
        }
        adapters.append(facts);
        say(line);
    }
    if (listed.isEmpty())
        note(QStringLiteral("No Tavrune M4 adapter is plugged in."));
    m_result.insert(QStringLiteral("adapters"), adapters);
    return Exit_Success;
}
