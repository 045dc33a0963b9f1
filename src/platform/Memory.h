// Memory for whole documents. Filling tens of megabytes of fresh memory page by page costs more than
// the copying itself on many machines, virtual ones above all: every 4 KB page is one fault. Large
// blocks are therefore placed on 2 MB boundaries and marked for 2 MB pages, so a 36 MB document
// costs 18 faults instead of 9,000.
#pragma once

#include <cstddef>
#include <new>
#include <string>

namespace korvane {

// Blocks of at least this size are mapped on their own, on 2 MB boundaries.
constexpr std::size_t kLargeBlock = std::size_t{2} << 20;

// A block of `bytes` (at least kLargeBlock), aligned for large pages; throws std::bad_alloc.
void* allocateLargeBlock(std::size_t bytes);
// Returns a block from allocateLargeBlock with the same `bytes`.
void freeLargeBlock(void* block, std::size_t bytes) noexcept;

// The standard allocator, except that large blocks come from allocateLargeBlock.
template <class T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        const std::size_t bytes = n * sizeof(T);
        return static_cast<T*>(bytes >= kLargeBlock ? allocateLargeBlock(bytes) : ::operator new(bytes));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kLargeBlock) {
            freeLargeBlock(p, bytes);
        } else {
            ::operator delete(p);
        }
    }
    template <class U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept {
        return true;
    }
};

// The whole text of a document file, one char per byte.
using DocumentText = std::basic_string<char, std::char_traits<char>, LargeBlockAllocator<char>>;

}  // namespace korvane
