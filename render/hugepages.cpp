#include "render/hugepages.h"

#include <cstdint>

#include <sys/mman.h>

void preferHugePages(void* data, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + HugePage - 1) / HugePage * HugePage;
    const std::uintptr_t end = (start + bytes) / HugePage * HugePage;
    if (first < end)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}
