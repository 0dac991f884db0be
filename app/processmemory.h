#pragma once

// How this process asks the system for memory.
namespace ProcessMemory {

// Serves large blocks from the heap and keeps freed heap pages, where the C library allows it: start-up
// decodes dozens of images, converts and frees them, and mapping every buffer afresh costs a page fault per
// page touched, most of the start-up time on some virtual machines. Call first thing in main().
void reuseFreedPages();

} // namespace ProcessMemory
