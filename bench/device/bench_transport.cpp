// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Host cost of one command exchange (a command report written, its reply read and checked) against the
// zero-latency simulated adapter, for a 256-byte block read and a 131072-byte readFlash. Prints
// microseconds of CPU time per exchange and exchanges per second; the goal is under 5 us per exchange,
// well below the 2 ms a full-speed USB exchange takes.

#include "sim/simadapter.h"

#include "device/deviceflash.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTextStream>

#include <ctime>

namespace {

qint64 threadCpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Figure
{
    double cpuUsPerExchange;
    double wallUsPerExchange;
};

Figure measure(DeviceFlash &device, quint32 address, quint32 length, int rounds)
{
    QByteArray destination(int(length), '\0');
    const int exchangesPerRound = int((length + 55) / 56);
    qint64 cpu = 0;
    qint64 wall = 0;
    for (int round = 0; round < rounds; ++round) {
        SimAdapter::clearTranscript();
        QElapsedTimer timer;
        timer.start();
        const qint64 start = threadCpuNs();
        if (!device.readFlash(DeviceFlash::Command_Read, address, length, destination.data(), 0))
            qFatal("readFlash failed");
        cpu += threadCpuNs() - start;
        wall += timer.nsecsElapsed();
    }
    const double exchanges = double(exchangesPerRound) * rounds;
    return {cpu / exchanges / 1000.0, wall / exchanges / 1000.0};
}

void discard(QtMsgType, const QMessageLogContext &, const QString &) { }

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    SimAdapter::reset();
    SimAdapter::plug(DeviceFlash::Tavrune_B275);
    DeviceFlash device;
    if (!device.open(DeviceFlash::VendorId, DeviceFlash::Tavrune_B275))
        qFatal("the simulated adapter did not open");
    device.bindHandle();

    struct Case
    {
        const char *name;
        quint32 address;
        quint32 length;
        int rounds;
    };
    const Case cases[] = {{"256-byte block read", DeviceFlash::Address_DeviceConfig, 256, 20000},
        {"131072-byte readFlash", DeviceFlash::Address_Firmware, 131072, 40}};

    // Every chunk writes the info line "DeviceFlash::readFlash": measured once formatted and dropped by the
    // message handler, once with info lines switched off by a logging rule.
    qInstallMessageHandler(discard);
    for (const bool infoOn : {true, false}) {
        QLoggingCategory::setFilterRules(infoOn ? QString() : QStringLiteral("default.info=false"));
        out << (infoOn ? "info lines formatted, then dropped" : "info lines switched off") << '\n';
        for (const Case &c : cases) {
            measure(device, c.address, c.length, c.rounds / 10); // warm-up
            const Figure figure = measure(device, c.address, c.length, c.rounds);
            out << QStringLiteral("  %1: %2 us CPU, %3 us wall per exchange, %4 exchanges/s\n")
                       .arg(QLatin1String(c.name), -22)
                       .arg(figure.cpuUsPerExchange, 0, 'f', 2)
                       .arg(figure.wallUsPerExchange, 0, 'f', 2)
                       .arg(1e6 / figure.wallUsPerExchange, 0, 'f', 0);
        }
    }

    // For comparison, the same block read against USB full-speed timing.
    SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
    const Figure usb = measure(device, DeviceFlash::Address_DeviceConfig, 256, 40);
    out << QStringLiteral("full-speed timing, 256-byte block read: %1 us wall, %2 us CPU per exchange\n")
               .arg(usb.wallUsPerExchange, 0, 'f', 0)
               .arg(usb.cpuUsPerExchange, 0, 'f', 2);
    return 0;
}
