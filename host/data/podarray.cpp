#include "podarray.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace vorn::memory {

namespace {

// From this size on a block is a mapping of its own; below it the heap is cheaper.
constexpr std::size_t MappedFrom = std::size_t{1} << 20;

bool isMapped(std::size_t bytes) {
    return bytes >= MappedFrom;
}

// Faulting the new pages in one call is much cheaper than a fault on every first write; a
// kernel that cannot (before Linux 5.14) faults them on use as usual.
void populate(void* block, std::size_t fromBytes, std::size_t toBytes) {
    const std::size_t page = 4096;
    const std::size_t from = (fromBytes + page - 1) / page * page;
    if (from < toBytes)
        madvise(static_cast<char*>(block) + from, toBytes - from, MADV_POPULATE_WRITE);
}

void* mapPages(std::size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    populate(block, 0, bytes);
    return block;
}

} // namespace

void* Resize(void* block, std::size_t oldBytes, std::size_t usedBytes, std::size_t newBytes) {
    if (isMapped(oldBytes) && isMapped(newBytes)) {
        void* moved = mremap(block, oldBytes, newBytes, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED)
            throw std::bad_alloc();
        populate(moved, oldBytes, newBytes);
        return moved;
    }
    if (!isMapped(oldBytes) && !isMapped(newBytes)) {
        void* resized = std::realloc(block, newBytes);
        if (resized == nullptr)
            throw std::bad_alloc();
        return resized;
    }
    void* fresh = isMapped(newBytes) ? mapPages(newBytes) : std::malloc(newBytes);
    if (fresh == nullptr)
        throw std::bad_alloc();
    if (usedBytes > 0)
        std::memcpy(fresh, block, usedBytes < newBytes ? usedBytes : newBytes);
    Release(block, oldBytes);
    return fresh;
}

void Release(void* block, std::size_t bytes) noexcept {
    if (block == nullptr)
        return;
    if (isMapped(bytes))
        munmap(block, bytes);
    else
        std::free(block);
}

} // namespace vorn::memory
