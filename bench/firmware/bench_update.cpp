// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Wall time of a whole update of a 131072-byte image (file check, erase, 2346 verified write exchanges,
// read-back) against the simulated adapter, of a verify of it (file check, 2346 read exchanges, the
// compare) and of a backup of it (the information block and the firmware area read, 2346 exchanges, the
// MD5 compare and the firmware file's bytes made): with zero latency it is the host's own cost per exchange,
// at USB full speed it is compared with the bus bound of 2 ms per exchange.

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

enum class Task { Update, Verify, Backup };

struct Run
{
    double ms;
    int exchanges;
    bool complete;
};

// One task as the main window or the command line sees it: from the call until the end of busy arrives in
// this thread, with the progress signals queued here as they are to them.
Run runTask(DeviceFlash &device, Task task, const QString &path)
{
    SimAdapter::clearTranscript();
    QEventLoop loop;
    qint64 current = 0;
    qint64 total = -1;
    bool whole = task == Task::Update; // a verify found it identical, a backup read all it should
    const auto track = [&](qint64 c, qint64 t) {
        current = c;
        total = t;
    };
    const auto progress = QObject::connect(
        &device, &DeviceFlash::write2FlashProgressChanged, &loop, track, Qt::QueuedConnection);
    const auto readProgress = QObject::connect(
        &device, &DeviceFlash::dataBackupProgressChanged, &loop, track, Qt::QueuedConnection);
    const auto verified = QObject::connect(
        &device, &DeviceFlash::firmwareVerified, &loop,
        [&](bool readBack, qint64 firstDifference) { whole = readBack && firstDifference < 0; },
        Qt::QueuedConnection);
    const auto backedUp = QObject::connect(
        &device, &DeviceFlash::firmwareBackedUp, &loop,
        [&](DeviceFlash::BackupOutcome outcome, const QByteArray &version, const QByteArray &image) {
            // Made into a file's bytes here, as the command line does before it writes them.
            whole = outcome == DeviceFlash::BackupOutcome_Success && image.size() == imageSize &&
                !FirmwareFile::pack(version, image).isEmpty();
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
    switch (task) {
    case Task::Update:
        device.updateFirmware(path);
        break;
    case Task::Verify:
        device.verifyFirmware(path);
        break;
    case Task::Backup:
        device.backupFirmware();
        break;
    }
    loop.exec();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    for (const auto &connection : {progress, readProgress, verified, backedUp, busy})
        QObject::disconnect(connection);
    return {ms, SimAdapter::transcript().size(), current == total && whole};
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

        // The verify and the backup read back what the update before them wrote.
        for (const Task task : {Task::Update, Task::Verify, Task::Backup}) {
            const bool updating = task == Task::Update;
            const char *name = updating ? "update" : task == Task::Verify ? "verify" : "backup";
            std::vector<double> times;
            int exchanges = 0;
            for (int i = 0; i < (zero ? 21 : 3); ++i) {
                const Run run = runTask(device, task, path);
                if (!run.complete) {
                    std::fprintf(stderr, "a whole %s did not complete\n", name);
                    return 1;
                }
                times.push_back(run.ms);
                exchanges = run.exchanges;
            }
            const double ms = median(times);
            if (zero) {
                std::printf(
                    "zero latency: %d exchanges, whole %s %.2f ms (median of %zu), %.2f us per exchange%s\n",
                    exchanges, name, ms, times.size(), 1000.0 * ms / exchanges,
                    updating ? " (goal: under 25 ms)" : "");
                goalsMet = goalsMet && (!updating || ms < 25);
            } else {
                const double bound = 2.0 * exchanges;
                const double goal = updating ? 1.02 : 1.05;
                std::printf("full speed: %d exchanges, whole %s %.1f ms (median of %zu), bus bound %.0f ms, "
                            "ratio %.4f (goal: at most %.2f)\n",
                    exchanges, name, ms, times.size(), bound, ms / bound, goal);
                goalsMet = goalsMet && ms / bound <= goal;
            }
        }
    }
    return goalsMet ? 0 : 2;
}
