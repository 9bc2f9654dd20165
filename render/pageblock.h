#pragma once

#include <QtGlobal>

#include <cstddef>

// Memory of whole pages taken straight from the system and given back to
// it when the block goes, so that memory dropped is no longer resident: the
// C library keeps a large block freed after the first for later use, and
// its pages with it. Pages never written take no memory.
class PageBlock
{
public:
    PageBlock() = default;
    // Throws std::bad_alloc when the system has no room.
    explicit PageBlock(size_t bytes);
    ~PageBlock();
    PageBlock(PageBlock&& other) noexcept;
    PageBlock& operator=(PageBlock&& other) noexcept;
    PageBlock(const PageBlock&) = delete;
    PageBlock& operator=(const PageBlock&) = delete;

    uchar* data() const { return bytes; }
    size_t size() const { return length; }

private:
    uchar* bytes = nullptr;
    size_t length = 0;
};
