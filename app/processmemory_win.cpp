// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "processmemory.h"

namespace ProcessMemory {

// The Windows heap reuses freed pages on its own.
void reuseFreedPages() { }

// Windows has no advice to map heap pages ahead without touching them.
std::future<void> mapHeapAhead(std::size_t) { return {}; }

} // namespace ProcessMemory
