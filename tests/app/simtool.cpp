// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT

// Linked beside the tool's own main() into TavruneFirmwareTool-sim: the simulated adapter, plugged in before
// main() runs, in place of hidapi, and, when the process ends by returning from main(), one line on standard
// error that says how often the program tried to open an adapter: "simulated adapter opens: N".
#include "sim/simadapter.h"

#include <cstdio>
#include <cstdlib>

namespace {

void reportOpens()
{
    std::fprintf(stderr, "simulated adapter opens: %d\n", int(SimAdapter::openAttempts().size()));
}

__attribute__((constructor)) void plugSimulatedAdapter()
{
    SimAdapter::reset();
    SimAdapter::plug(0xB275);
    // Registered after the simulated adapter's state exists, so it runs before that state is destroyed.
    std::atexit(reportOpens);
}

} // namespace
