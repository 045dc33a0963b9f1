#include "platform/Memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace korvane {

void reserveLargeBuffer(std::string& text, std::size_t capacity) {
    text.reserve(capacity);
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::size_t kWorthIt = std::size_t{2} << 20;
    if (text.capacity() < kWorthIt) {
        return;
    }
    const auto begin = reinterpret_cast<std::uintptr_t>(text.data());
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (begin + text.capacity()) & ~(kPage - 1);
    if (last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first,
                  MADV_HUGEPAGE);  // advice only; failure is harmless
    }
#endif
}

}  // namespace korvane
