// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "device/deviceflash.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <QTest>
#include <QThreadPool>

#include <initializer_list>

// Small helpers of the device and hot-plug suites.
namespace DeviceTests {

// Until every device task has ended and its queued signals have been delivered.
inline bool settle(int timeoutMs = 10000)
{
    if (!QTest::qWaitFor([] { return DeviceFlash::taskPool()->activeThreadCount() == 0; }, timeoutMs))
        return false;
    QCoreApplication::processEvents();
    return true;
}

// The command code of each report, as written with the report ID first.
inline QByteArray commandCodes(const QList<QByteArray> &reports)
{
    QByteArray codes;
    for (const QByteArray &report : reports)
        codes.append(report.at(2));
    return codes;
}

inline QStringList texts(std::initializer_list<const char *> lines)
{
    QStringList list;
    for (const char *line : lines)
        list.append(QLatin1String(line));
    return list;
}

} // namespace DeviceTests
