// The libFuzzer entry of one target: the merge when KORVANE_FUZZ_MERGE is 1, the parser otherwise.
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#if KORVANE_FUZZ_MERGE
    korvane::fuzz::checkMerge(data, size);
#else
    korvane::fuzz::checkParser(std::string_view(reinterpret_cast<const char*>(data), size));
#endif
    return 0;
}
