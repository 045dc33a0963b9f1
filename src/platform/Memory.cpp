#include "platform/Memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace korvane {
namespace {

#if defined(__linux__)
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

std::size_t roundUp(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}
#endif

}  // namespace

#if defined(__linux__)

void* allocateLargeBlock(std::size_t bytes) {
    const std::size_t length = roundUp(bytes);
    if (length < bytes || length + kHugePage < length) {
        throw std::bad_alloc();
    }
    // Map one large page more than needed, then trim the mapping to a 2 MB boundary at both ends.
    void* raw =
        ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto rawStart = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t start = (rawStart + kHugePage - 1) & ~(kHugePage - 1);
    if (start > rawStart) {
        ::munmap(raw, start - rawStart);
    }
    const std::uintptr_t end = start + length;
    const std::uintptr_t rawEnd = rawStart + length + kHugePage;
    if (rawEnd > end) {
        ::munmap(reinterpret_cast<void*>(end), rawEnd - end);
    }
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);  // advice only; failure is harmless
#endif
    return reinterpret_cast<void*>(start);
}

void freeLargeBlock(void* block, std::size_t bytes) noexcept {
    ::munmap(block, roundUp(bytes));
}

#else

void* allocateLargeBlock(std::size_t bytes) {
    return ::operator new(bytes);
}

void freeLargeBlock(void* block, std::size_t) noexcept {
    ::operator delete(block);
}

#endif

}  // namespace korvane
