// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <future>

// How this process asks the system for memory.
namespace ProcessMemory {

// Serves large blocks from the heap and keeps freed heap pages, where the C library allows it: start-up
// decodes dozens of images, converts and frees them, and mapping every buffer afresh costs a page fault per
// page touched, a large share of start-up on virtual machines with slow page faults. Call first thing in
// main().
void reuseFreedPages();

// Has a worker thread map the next bytes of heap, which start-up is about to fill, so that the main thread
// finds them mapped instead of taking a page fault on each. Call right after reuseFreedPages(), with no more
// than start-up's own heap growth: the pages count as the process's memory from then on.
std::future<void> mapHeapAhead(std::size_t bytes);

} // namespace ProcessMemory
