// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QtEndian>

// One command report as the adapter received it.
struct CommandReport
{
    quint8 reportId;
    quint8 lead;
    quint8 code;
    quint32 address;
    quint16 length;
    QByteArray data; // all 56 data bytes

    static CommandReport parse(const QByteArray &report)
    {
        const auto *bytes = reinterpret_cast<const uchar *>(report.constData());
        return {bytes[0], bytes[1], bytes[2], qFromLittleEndian<quint32>(bytes + 3),
            qFromLittleEndian<quint16>(bytes + 7), report.mid(9)};
    }

    static QList<CommandReport> parse(const QList<QByteArray> &reports)
    {
        QList<CommandReport> commands;
        for (const QByteArray &report : reports)
            commands.append(parse(report));
        return commands;
    }
};
