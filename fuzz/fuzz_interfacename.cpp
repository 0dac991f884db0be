// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The interface name parsing of device notifications, on any UTF-16 text the system might hand over.
//
// Invariants: a name without '#' gives no IDs, and an ID found is written in the name in hexadecimal.

#include "device/deviceinterfacename.h"
#include "fuzzapplication.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool writtenIn(const QString &name, quint16 id)
{
    return id == 0 || name.contains(QString::number(id, 16), Qt::CaseInsensitive);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The input need not be aligned for 16-bit units.
    std::vector<char16_t> units(size / 2 + 1);
    std::memcpy(units.data(), data, size / 2 * 2);
    const QString name = QString::fromUtf16(units.data(), int(size / 2));
    const DeviceInterfaceName parsed = DeviceInterfaceName::parse(name);

    if ((!name.contains(QLatin1Char('#')) && (parsed.vendorId || parsed.productId)) ||
        !writtenIn(name, parsed.vendorId) || !writtenIn(name, parsed.productId)) {
        std::fprintf(stderr, "interface name gives vendor %04x and product %04x\n", parsed.vendorId,
                     parsed.productId);
        std::abort();
    }
    return 0;
}
