#include "render/pageblock.h"

#include <new>
#include <utility>

#include <sys/mman.h>

PageBlock::PageBlock(size_t bytes)
    : length(bytes)
{
    void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
        throw std::bad_alloc();
    this->bytes = static_cast<uchar*>(pages);
}

PageBlock::~PageBlock()
{
    if (bytes)
        ::munmap(bytes, length);
}

PageBlock::PageBlock(PageBlock&& other) noexcept
    : bytes(std::exchange(other.bytes, nullptr))
    , length(std::exchange(other.length, 0))
{
}

PageBlock& PageBlock::operator=(PageBlock&& other) noexcept
{
    PageBlock gone(std::move(*this));
    bytes = std::exchange(other.bytes, nullptr);
    length = std::exchange(other.length, 0);
    return *this;
}
