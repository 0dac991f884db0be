// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The adapter's reply stream: DeviceFlash searches for (or meets an arriving) adapter, then updates it
// with a good firmware file, while every reply it reads follows the fuzzer's script (ScriptedAdapter).
// The first input byte picks the path: the start-up search under 0xB274 (the adapter is only probed), or
// the arrival of an adapter under 0xB275 or 0xB270 (its flash blocks are read); the rest is the script.
//
// Invariants: no erase or write command follows a failed check (ScriptedAdapter aborts on one), progress
// always counts exactly the bytes whose echo came back intact, so it reaches its total only when every
// chunk was verified, and every device task ends.

#include "device/deviceflash.h"
#include "firmwarecipher.h"
#include "fuzzapplication.h"
#include "scriptedadapter.h"

#include <QCoreApplication>
#include <QFile>
#include <QSemaphore>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int ImageSize = 100; // two chunks, the last one short
constexpr int TaskLimitMs = 20000; // replies never wait; a task still running after this has hung

QString firmwarePath;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Every device task sets busy for its whole run, one task at a time.
void waitForTask(QSemaphore &ended)
{
    if (!ended.tryAcquire(1, TaskLimitMs))
        fail("a device task did not end");
    QCoreApplication::processEvents();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startFuzzApplication(argc, argv);
    firmwarePath = fuzzFolder() + QStringLiteral("/firmware.rfw");
    QByteArray plain = QByteArrayLiteral("Tavrune_M4\x02\x03\x04");
    for (int i = 0; i < ImageSize; ++i)
        plain.append(char(i * 7));
    QFile file(firmwarePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(FirmwareCipher::makeFile(plain)) <= 0)
        fail("cannot write the firmware file");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const DeviceFlash::Tavrune products[] = {DeviceFlash::Tavrune_B274, DeviceFlash::Tavrune_B275,
                                             DeviceFlash::Tavrune_B270};
    const DeviceFlash::Tavrune product = products[data[0] % 3];
    ScriptedAdapter::start(product, data + 1, size - 1);

    DeviceFlash flash;
    QSemaphore ended;
    QObject::connect(
        &flash, &DeviceFlash::isBusyChanged, &flash,
        [&ended](bool busy) {
            if (!busy)
                ended.release();
        },
        Qt::DirectConnection);
    if (product == DeviceFlash::Tavrune_B274)
        flash.connected();
    else
        flash.deviceArrived(DeviceFlash::VendorId, product);
    waitForTask(ended);

    constexpr qint64 total = ImageSize + DeviceFlash::BlockSize;
    QObject::connect(
        &flash, &DeviceFlash::write2FlashProgressChanged, &flash,
        [](qint64 current, qint64 reportedTotal) {
            if (reportedTotal != total || current != ScriptedAdapter::verifiedBytes())
                fail("progress differs from the bytes verified");
        },
        Qt::DirectConnection);
    ScriptedAdapter::allowFlashing(true);
    flash.updateFirmware(firmwarePath);
    waitForTask(ended);
    ScriptedAdapter::allowFlashing(false);
    if (flash.isBusy())
        fail("busy after every task ended");
    return 0;
}
