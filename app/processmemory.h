#pragma once

// How this process asks the system for memory.
namespace ProcessMemory {

// Serves large blocks from the heap and keeps freed heap pages, where the C library allows it: start-up
// decodes dozens of images, converts and frees them, and mapping every buffer afresh costs a page fault per
// page touched, a large share of start-up on virtual machines with slow page faults. Call first thing in
// main().
void reuseFreedPages();

} // namespace ProcessMemory
