#pragma once

#include <cstddef>

// Asks the system to back the whole 2 MB pages within `bytes` bytes at
// `data`, not touched yet, with huge pages where Linux gives them on
// request: touching the memory the first time then costs one page fault
// per 2 MB instead of one per 4 KB, which on a virtual machine can take
// longer than drawing the pixels. A hint only; smaller blocks, and systems
// without huge pages, are left as they are.
void preferHugePages(void* data, size_t bytes);
