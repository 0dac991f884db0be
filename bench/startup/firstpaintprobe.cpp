// Preloaded into a program under test (LD_PRELOAD): sees the first time a window's pixels reach the screen,
// which on every platform plugin is QBackingStore::flush, called by Qt Widgets once a paint is done. It
// wraps that function, notes the monotonic clock and peak memory at the first flush, lets the program settle
// and then reports on stdout and quits the program. It also brings a simulated adapter, plugged in, in place
// of hidapi, so that the tool starts as it does for a user with the adapter connected.

#include "sim/simadapter.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <dlfcn.h>

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
    const int settleMs = qEnvironmentVariableIntValue("STARTUP_PROBE_SETTLE_MS");
    QTimer::singleShot(settleMs, qApp, [=] {
        std::printf(
            "startup-probe first-paint-ns %lld window %dx%d peak-rss-at-paint-kb %lld peak-rss-kb %lld\n",
            paintedNs, size.width(), size.height(), rssAtPaintKb, peakRssKb());
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}
