#include "processmemory.h"

#include <malloc.h>

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

} // namespace ProcessMemory
