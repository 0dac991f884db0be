// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Preloaded into a program under test (LD_PRELOAD): sees the first time a window's pixels reach the screen,
// which on every platform plugin is QBackingStore::flush, called by Qt Widgets once a paint is done. It
// wraps that function, notes the monotonic clock and peak memory at the first flush, lets the program settle
// and then reports on stdout and quits the program. It also brings a simulated adapter, plugged in, in place
// of hidapi, so that the tool starts as it does for a user with the adapter connected.
// With STARTUP_PROBE_UPDATE=<version> it then runs a whole update in the tool as a user does (that version
// chosen in the list, the update button clicked) and reports once the success notice shows.

#include "sim/simadapter.h"

#include <QApplication>
#include <QBackingStore>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <functional>

namespace {

qint64 monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The process's peak resident memory so far (VmHWM), in KiB.
qint64 peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

bool flushed = false;

QWidget *topLevel(const QString &objectName)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == objectName)
            return widget;
    }
    return nullptr;
}

// Chooses version in the main window and clicks its update button as soon as the connected page offers
// both; then calls done with the update's wall time once the message dialog says "successfully!".
void runUpdate(const QString &version, const std::function<void(qint64)> &done)
{
    auto *poll = new QTimer(qApp);
    auto *clock = new QElapsedTimer;
    QObject::connect(poll, &QTimer::timeout, qApp, [=] {
        QWidget *window = topLevel(QStringLiteral("MainWindow"));
        auto *versions =
            window ? window->findChild<QComboBox *>(QStringLiteral("comboBox_Version")) : nullptr;
        auto *update =
            window ? window->findChild<QPushButton *>(QStringLiteral("pushButton_Update")) : nullptr;
        if (!clock->isValid()) {
            const int index = versions ? versions->findText(version) : -1;
            if (index < 0 || !update || !update->isVisible() || !update->isEnabled())
                return;
            versions->setCurrentIndex(index);
            clock->start();
            update->click();
            return;
        }
        auto *dialog = qobject_cast<QDialog *>(topLevel(QStringLiteral("MessageDialog")));
        auto *text = dialog ? dialog->findChild<QTextBrowser *>() : nullptr;
        if (dialog && dialog->isVisible() && text &&
            text->toPlainText().contains(QLatin1String("successfully!"))) {
            poll->stop();
            done(clock->elapsed());
            delete clock;
        }
    });
    poll->start(20);
}

__attribute__((constructor)) void plugSimulatedAdapter()
{
    SimAdapter::reset(); // the factory flash: until then the simulated adapter has none
    SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
    SimAdapter::plug(0xB275);
}

} // namespace

void QBackingStore::flush(const QRegion &region, QWindow *window, const QPoint &offset)
{
    using Flush = void (*)(QBackingStore *, const QRegion &, QWindow *, const QPoint &);
    static const auto qtFlush = reinterpret_cast<Flush>(
        dlvsym(RTLD_NEXT, "_ZN13QBackingStore5flushERK7QRegionP7QWindowRK6QPoint", "Qt_5"));
    qtFlush(this, region, window, offset);
    if (flushed)
        return;
    flushed = true;

    const qint64 paintedNs = monotonicNs();
    const qint64 rssAtPaintKb = peakRssKb();
    const QSize size = window ? window->size() : QSize();
    const auto report = [=](qint64 updateMs) {
        std::printf(
            "startup-probe first-paint-ns %lld window %dx%d peak-rss-at-paint-kb %lld peak-rss-kb %lld "
            "update-ms %lld\n",
            paintedNs, size.width(), size.height(), rssAtPaintKb, peakRssKb(), updateMs);
        std::fflush(stdout);
        QCoreApplication::quit();
    };
    const QString version = qEnvironmentVariable("STARTUP_PROBE_UPDATE");
    if (!version.isEmpty()) {
        runUpdate(version, report);
        return;
    }
    QTimer::singleShot(qEnvironmentVariableIntValue("STARTUP_PROBE_SETTLE_MS"), qApp, [=] { report(-1); });
}
