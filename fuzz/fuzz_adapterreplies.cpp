// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The adapter's reply stream: DeviceFlash searches for (or meets an arriving) adapter, then updates it
// with a good firmware file, while every reply it reads follows the fuzzer's script (ScriptedAdapter).
// The first input byte picks the path: the start-up search under 0xB274 (the adapter is only probed), or
// the arrival of an adapter under 0xB275 or 0xB270 (its flash blocks are read); the rest is the script.
//
// Invariants: no erase or write command follows a failed check (ScriptedAdapter aborts on one), progress
// always counts exactly the bytes whose echo came back intact, so it reaches its total only when every
// chunk was verified, every device task ends, and the update ends with one updateFinished that carries
// those bytes and is a success exactly when all of them were verified.
//
// One DeviceFlash serves the whole run, as the window's does: each input begins with the last adapter's
// removal, which leaves it as a fresh one finds it, and a fresh adapter (whose flash is reset, not made
// again). So an input costs its exchanges, not the making of the object, its notifications, its flash
// image and the adapter's flash.

#include "device/deviceflash.h"
#include "fuzzapplication.h"
#include "scriptedadapter.h"
#include "sim/adaptermodel.h"

#include <QCoreApplication>
#include <QFile>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

constexpr int ImageSize = 100; // two chunks, the last one short
constexpr qint64 Total = ImageSize + DeviceFlash::BlockSize;
constexpr int TaskLimitMs = 20000; // replies never wait; a task still running after this has hung

QString firmwarePath;
DeviceFlash *flash = nullptr;
QSemaphore *ended = nullptr; // released whenever a device task ends
quint16 plugged = 0; // the product the last input's adapter was plugged in under
int finishes = 0; // updateFinished signals since the input's update began
qint64 finishedVerified = -1;
DeviceFlash::UpdateOutcome finishedOutcome = DeviceFlash::UpdateOutcome_Success;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Every device task sets busy for its whole run, one task at a time.
void waitForTask()
{
    if (!ended->tryAcquire(1, TaskLimitMs))
        fail("a device task did not end");
    // The task's last frees follow its end by moments: once they are done, libFuzzer finds the input's
    // allocations balanced and skips its leak check, which would otherwise scan the heap after most inputs.
    while (DeviceFlash::taskPool()->activeThreadCount() != 0)
        QThread::yieldCurrentThread();
    QCoreApplication::processEvents();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startFuzzApplication(argc, argv);
    // The adapter lock, taken and let go of by every input, on a memory file system.
    qputenv("XDG_RUNTIME_DIR", fuzzFolder().toLocal8Bit());
    firmwarePath = fuzzFolder() + QStringLiteral("/firmware.rfw");
    QByteArray image;
    for (int i = 0; i < ImageSize; ++i)
        image.append(char(i * 7));
    QFile file(firmwarePath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(FirmwareFile::pack(QByteArrayLiteral("\x02\x03\x04"), image)) <= 0)
        fail("cannot write the firmware file");

    flash = new DeviceFlash;
    ended = new QSemaphore;
    QObject::connect(
        flash, &DeviceFlash::isBusyChanged, flash,
        [](bool busy) {
            if (!busy)
                ended->release();
        },
        Qt::DirectConnection);
    QObject::connect(
        flash, &DeviceFlash::write2FlashProgressChanged, flash,
        [](qint64 current, qint64 reportedTotal) {
            if (reportedTotal != Total || current != ScriptedAdapter::verifiedBytes())
                fail("progress differs from the bytes verified");
        },
        Qt::DirectConnection);
    QObject::connect(
        flash, &DeviceFlash::updateFinished, flash,
        [](DeviceFlash::UpdateOutcome outcome, qint64 verified, FirmwareFile::Fault) {
            ++finishes;
            finishedOutcome = outcome;
            finishedVerified = verified;
        },
        Qt::DirectConnection);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const quint16 product = AdapterModel::ProductIds[data[0] % std::size(AdapterModel::ProductIds)];
    // The last input's adapter goes, named as the system names the device it pulls.
    if (plugged != 0)
        flash->deviceRemoved(DeviceFlash::VendorId, plugged, QString::fromLocal8Bit(flash->adapterPath()));
    plugged = product;
    ScriptedAdapter::start(product, data + 1, size - 1);

    if (AdapterModel::isProbeOnly(product))
        flash->connected();
    else
        flash->deviceArrived(DeviceFlash::VendorId, product);
    waitForTask();

    finishes = 0;
    ScriptedAdapter::allowFlashing(true);
    flash->updateFirmware(firmwarePath);
    waitForTask();
    ScriptedAdapter::allowFlashing(false);
    if (flash->isBusy())
        fail("busy after every task ended");
    if (finishes != 1)
        fail("an update did not end with exactly one updateFinished");
    if (finishedVerified != ScriptedAdapter::verifiedBytes() ||
        (finishedOutcome == DeviceFlash::UpdateOutcome_Success) != (finishedVerified == Total))
        fail("updateFinished differs from the bytes verified");
    return 0;
}
