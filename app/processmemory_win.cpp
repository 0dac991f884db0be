#include "processmemory.h"

namespace ProcessMemory {

// The Windows heap reuses freed pages on its own.
void reuseFreedPages() { }

} // namespace ProcessMemory
