// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Start-up of the tool against a bare Qt window of the same size: median time from process start to the
// window's first paint, and median peak resident memory, over N runs of each, run alternately. Both run
// offscreen in a private home, with a loopback server standing in for the catalogue server (as the HTTP
// proxy, so that the tool's own server address stays as it is) and a simulated adapter plugged in. The first
// paint is observed by firstpaintprobe, preloaded into both programs: see there.

#include "sim/loopbackhttpserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSize>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int imageSize = 131072;

qint64 monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Sample
{
    double firstPaintMs = 0;
    double peakRssMiB = 0;
    double rssAtPaintMiB = 0;
    double updateMs = -1; // a whole update's wall time, when the run made one
    QSize window;
};

// One start of program, until the probe has reported and the program has quit. False if it never painted.
bool runOnce(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
    Sample &sample)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(30000, &loop, [&] { process.kill(); });

    const qint64 startNs = monotonicNs();
    process.start(program, arguments);
    loop.exec();

    const QRegularExpression report(
        QStringLiteral("^startup-probe first-paint-ns (\\d+) window (\\d+)x(\\d+) peak-rss-at-paint-kb "
                       "(\\d+) peak-rss-kb (\\d+) update-ms (-?\\d+)$"),
        QRegularExpression::MultilineOption);
    const QByteArray output = process.readAllStandardOutput();
    const QRegularExpressionMatch match = report.match(QString::fromLatin1(output));
    if (!match.hasMatch()) {
        std::fprintf(stderr, "%s did not report a first paint (exit %d, %s): %s\n", qPrintable(program),
            process.exitCode(), qPrintable(process.errorString()), output.constData());
        return false;
    }
    sample.firstPaintMs = double(match.captured(1).toLongLong() - startNs) / 1e6;
    sample.window = QSize(match.captured(2).toInt(), match.captured(3).toInt());
    sample.rssAtPaintMiB = match.captured(4).toDouble() / 1024;
    sample.peakRssMiB = match.captured(5).toDouble() / 1024;
    sample.updateMs = match.captured(6).toDouble();
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QByteArray catalogue()
{
    QJsonArray firmware;
    for (const char *version : {"2.1.0", "2.2.0", "2.3.0"}) {
        firmware.append(QJsonObject {{QStringLiteral("version"), QLatin1String(version)},
            {QStringLiteral("download"),
                QStringLiteral("http://" TAVRUNE_DOWNLOAD_HOST "/fw/%1.rfw").arg(QLatin1String(version))},
            {QStringLiteral("info"), QStringLiteral("Fixes and improvements.")}});
    }
    const QJsonObject tool {{QStringLiteral("version"), QStringLiteral("3.1.0")},
        {QStringLiteral("info"), QString()}, {QStringLiteral("windowsURL"), QString()}};
    return QJsonDocument(
        QJsonObject {{QStringLiteral("flashTool"), tool}, {QStringLiteral("firmware"), firmware}})
        .toJson();
}

// The largest firmware file: a 131072-byte image of random bytes, version 2.3.0, made by mkrfw.
QByteArray largestFirmware(const QTemporaryDir &work)
{
    QByteArray image(imageSize, '\0');
    for (char &byte : image)
        byte = char(QRandomGenerator::global()->bounded(256));
    QFile imageFile(work.filePath(QStringLiteral("image.bin")));
    if (!imageFile.open(QIODevice::WriteOnly) || imageFile.write(image) != image.size())
        return QByteArray();
    imageFile.close();
    const QString output = work.filePath(QStringLiteral("firmware.rfw"));
    if (QProcess::execute(QStringLiteral(MKRFW_PATH),
            {QStringLiteral("--image"), imageFile.fileName(), QStringLiteral("--version"),
                QStringLiteral("2.3.0"), output}) != 0)
        return QByteArray();
    QFile file(output);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Start-up of the tool against a bare Qt window."));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Starts of each program."),
        QStringLiteral("n"), QStringLiteral("11"));
    const QCommandLineOption settleOption(QStringLiteral("settle-ms"),
        QStringLiteral("How long each program runs on after its first paint before its peak memory is read."),
        QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption updatesOption(QStringLiteral("updates"),
        QStringLiteral(
            "Also starts the tool this many times to run a whole update of the largest image in it, "
            "and reports its peak memory."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption toolOption(QStringLiteral("tool"),
        QStringLiteral("Another build of the tool to start, to compare it with this one."),
        QStringLiteral("path"), QStringLiteral(TAVRUNE_EXECUTABLE));
    parser.addOptions({runsOption, settleOption, updatesOption, toolOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());

    LoopbackHttpServer server;
    server.setBody(
        QStringLiteral("http://" TAVRUNE_DOWNLOAD_HOST "/download/tavrune-m4/tavrune-m4.json"), catalogue());

    // One private home for all runs: the first start of each program is a warm-up, the measured ones
    // start as a user's usual start does, with the settings and catalogue already stored.
    QTemporaryDir home;
    QDir(home.path()).mkdir(QStringLiteral("runtime"));
    QFile::setPermissions(
        home.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A screen at 100%, as the users' usual one: the offscreen screen's own 100 dpi would scale the tool, which
    // follows the screen's density, by 1.04 and have it draw every picture from its @2x file.
    environment.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("96"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    // The single-instance guard keeps its files there: a tool started by hand or by a test is never met.
    environment.insert(QStringLiteral("TMPDIR"), home.path());
    environment.insert(QStringLiteral("http_proxy"), server.baseUrl());
    environment.remove(QStringLiteral("no_proxy"));
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FIRST_PAINT_PROBE));
    environment.insert(QStringLiteral("STARTUP_PROBE_SETTLE_MS"), parser.value(settleOption));

    const QString tool = parser.value(toolOption);
    const QString bare = QStringLiteral(BARE_WINDOW);
    Sample sample;
    if (!runOnce(tool, {}, environment, sample))
        return 1;
    const QStringList bareArguments {
        QString::number(sample.window.width()), QString::number(sample.window.height())};
    if (!runOnce(bare, bareArguments, environment, sample))
        return 1;

    // Each start of the tool is paired with the bare window's start right after it: the median of the pairs'
    // ratios holds up better than the ratio of the medians when the machine slows down for a while.
    std::vector<double> toolPaint, toolPeak, toolAtPaint, barePaint, barePeak, bareAtPaint, pairedPaintRatio;
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(tool, {}, environment, sample))
            return 1;
        toolPaint.push_back(sample.firstPaintMs);
        toolPeak.push_back(sample.peakRssMiB);
        toolAtPaint.push_back(sample.rssAtPaintMiB);
        if (!runOnce(bare, bareArguments, environment, sample))
            return 1;
        barePaint.push_back(sample.firstPaintMs);
        pairedPaintRatio.push_back(toolPaint.back() / sample.firstPaintMs);
        barePeak.push_back(sample.peakRssMiB);
        bareAtPaint.push_back(sample.rssAtPaintMiB);
    }

    const double paintRatio = median(pairedPaintRatio);
    const double rssMargin = median(toolPeak) - median(barePeak);
    std::printf("median of %d starts each, window %dx%d, peak memory read %s ms after the first paint\n",
        runs, sample.window.width(), sample.window.height(), qPrintable(parser.value(settleOption)));
    std::printf(
        "%-12s %18s %16s %24s\n", "", "first paint (ms)", "peak RSS (MiB)", "peak RSS at paint (MiB)");
    std::printf(
        "%-12s %18.1f %16.1f %24.1f\n", "tool", median(toolPaint), median(toolPeak), median(toolAtPaint));
    std::printf("%-12s %18.1f %16.1f %24.1f\n", "bare window", median(barePaint), median(barePeak),
        median(bareAtPaint));
    std::printf("first paint tool / bare: %.2f, median of the paired starts' ratios (goal: at most 2.0); "
                "ratio of the medians %.2f\n",
        paintRatio, median(toolPaint) / median(barePaint));
    std::printf("peak RSS tool / bare: %.2f, tool - bare: %.1f MiB (goal: at most 12 MiB)\n",
        median(toolPeak) / median(barePeak), rssMargin);
    std::printf("catalogue requests served: %d\n", server.requestCount());

    const int updates = parser.value(updatesOption).toInt();
    if (updates > 0) {
        QTemporaryDir work;
        const QByteArray firmware = largestFirmware(work);
        if (firmware.isEmpty()) {
            std::fprintf(stderr, "mkrfw failed\n");
            return 1;
        }
        server.setBody(QStringLiteral("http://" TAVRUNE_DOWNLOAD_HOST "/fw/2.3.0.rfw"), firmware);
        QProcessEnvironment updating = environment;
        updating.insert(QStringLiteral("STARTUP_PROBE_UPDATE"), QStringLiteral("2.3.0"));
        std::vector<double> updateMs, updatePeak;
        for (int i = 0; i < updates; ++i) {
            if (!runOnce(tool, {}, updating, sample))
                return 1;
            updateMs.push_back(sample.updateMs);
            updatePeak.push_back(sample.peakRssMiB);
        }
        std::printf("whole update of a %d-byte image in the tool (median of %d): %.0f ms, peak RSS %.1f MiB, "
                    "bare window + %.1f MiB\n",
            imageSize, updates, median(updateMs), median(updatePeak), median(updatePeak) - median(barePeak));
    }
    return paintRatio <= 2.0 && rssMargin <= 12 ? 0 : 2;
}
