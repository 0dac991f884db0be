// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Wall time of a whole update of a 131072-byte image (file check, erase, 2346 verified write exchanges,
// read-back) against the simulated adapter: with zero latency it is the host's own cost per exchange, at
// USB full speed it is compared with the bus bound of 2 ms per exchange.

#include "device/deviceflash.h"
#include "sim/simadapter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr quint16 product = 0xB275;
constexpr int imageSize = 131072;

QString makeFirmware(const QTemporaryDir &dir)
{
    QByteArray image(imageSize, '\0');
    for (char &byte : image)
        byte = char(QRandomGenerator::global()->bounded(256));
    const QString imagePath = dir.filePath(QStringLiteral("image.bin"));
    const QString output = dir.filePath(QStringLiteral("firmware.rfw"));
    QFile file(imagePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size())
        return QString();
    file.close();
    const int status = QProcess::execute(QStringLiteral(MKRFW_PATH),
        {QStringLiteral("--image"), imagePath, QStringLiteral("--version"), QStringLiteral("2.3.4"), output});
    return status == 0 ? output : QString();
}

struct Run
{
    double ms;
    int exchanges;
    bool complete;
};

// One update as the main window sees it: from the call until the end of busy arrives in this thread, with
// the progress signals queued here as they are to the window.
Run update(DeviceFlash &device, const QString &path)
{
    SimAdapter::clearTranscript();
    QEventLoop loop;
    qint64 current = 0;
    qint64 total = -1;
    const auto progress = QObject::connect(
        &device, &DeviceFlash::write2FlashProgressChanged, &loop,
        [&](qint64 c, qint64 t) {
            current = c;
            total = t;
        },
        Qt::QueuedConnection);
    const auto busy = QObject::connect(
        &device, &DeviceFlash::isBusyChanged, &loop,
        [&](bool isBusy) {
            if (!isBusy)
                loop.quit();
        },
        Qt::QueuedConnection);
    QElapsedTimer timer;
    timer.start();
    device.updateFirmware(path);
    loop.exec();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    QObject::disconnect(progress);
    QObject::disconnect(busy);
    return {ms, SimAdapter::transcript().size(), current == total};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The per-exchange cost is what is measured; the few diagnostics of an update stay out of it.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    QTemporaryDir dir;
    const QString path = makeFirmware(dir);
    if (path.isEmpty()) {
        std::fprintf(stderr, "mkrfw failed\n");
        return 1;
    }

    bool goalsMet = true;
    for (const SimAdapter::Timing timing : {SimAdapter::Timing::ZeroLatency, SimAdapter::Timing::FullSpeed}) {
        const bool zero = timing == SimAdapter::Timing::ZeroLatency;
        SimAdapter::reset();
        SimAdapter::setTiming(timing);
        SimAdapter::plug(product);
        DeviceFlash device;
        if (!device.open(SimAdapter::VendorId, product)) {
            std::fprintf(stderr, "the simulated adapter did not open\n");
            return 1;
        }

        std::vector<double> times;
        int exchanges = 0;
        for (int i = 0; i < (zero ? 21 : 3); ++i) {
            const Run run = update(device, path);
            if (!run.complete) {
                std::fprintf(stderr, "an update did not complete\n");
                return 1;
            }
            times.push_back(run.ms);
            exchanges = run.exchanges;
        }
        const double ms = median(times);
        if (zero) {
            std::printf(
                "zero latency: %d exchanges, whole update %.2f ms (median of %zu), %.2f us per exchange "
                "(goal: under 25 ms)\n",
                exchanges, ms, times.size(), 1000.0 * ms / exchanges);
            goalsMet = goalsMet && ms < 25;
        } else {
            const double bound = 2.0 * exchanges;
            std::printf("full speed: %d exchanges, whole update %.1f ms (median of %zu), bus bound %.0f ms, "
                        "ratio %.4f (goal: at most 1.02)\n",
                exchanges, ms, times.size(), bound, ms / bound);
            goalsMet = goalsMet && ms / bound <= 1.02;
        }
    }
    return goalsMet ? 0 : 2;
}
