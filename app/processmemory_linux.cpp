// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "processmemory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace ProcessMemory {

void reuseFreedPages()
{
#ifdef __GLIBC__
    // Well above any image the window decodes (a 520 x 708 window is 1.4 MiB at 32 bits a pixel), and a trim
    // threshold that lets the heap keep what start-up freed: the tool's whole heap is a few MiB.
    mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

std::future<void> mapHeapAhead(std::size_t bytes)
{
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
    // Freed below the mmap and trim thresholds, the block stays at the top of the heap, where the next
    // allocations come from. Only its address is kept, never dereferenced.
    const auto block = reinterpret_cast<std::uintptr_t>(std::malloc(bytes));
    std::free(reinterpret_cast<void *>(block));
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (block + page - 1) & ~(page - 1);
    const std::uintptr_t end = (block + bytes) & ~(page - 1);
    if (block == 0 || end <= first)
        return {};
    // Populating leaves the contents alone, so it is safe while the main thread allocates from those pages;
    // a kernel older than 5.14 refuses the advice, and the pages are mapped on first touch as always.
    return std::async(std::launch::async | std::launch::deferred, [first, end] {
        (void)madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE);
    });
#else
    (void)bytes;
    return {};
#endif
}

} // namespace ProcessMemory
