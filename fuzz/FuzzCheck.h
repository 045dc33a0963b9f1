// The invariants of the fuzz targets, and what they read their input with. A broken invariant throws,
// which the fuzzer records as a crash together with the input that caused it and the corpus test
// reports as a failure.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "document/StoreArea.h"

#define FUZZ_STRINGIFY(x) #x
#define FUZZ_LINE(x) FUZZ_STRINGIFY(x)
#define FUZZ_CHECK(condition)                              \
    ((condition) ? void()                                  \
                 : throw ::korvane::fuzz::InvariantBroken( \
                       __FILE__ ":" FUZZ_LINE(__LINE__) ": invariant broken: " #condition))

namespace korvane::fuzz {

struct InvariantBroken : std::logic_error {
    using std::logic_error::logic_error;
};

// Any bytes as a wiki document: the split, and a merge against an empty wiki that takes every tiddler back.
void checkParser(std::string_view doc);
// Any bytes as three documents and a script of answers: a whole merge run with the save.
void checkMerge(const std::uint8_t* data, std::size_t size);

// Reads an input as libFuzzer's FuzzedDataProvider does, so that the corpus means the same to both:
// texts from the front, numbers from the back.
class Script {
  public:
    Script(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::size_t remaining() const { return m_size; }
    // Bytes up to a backslash and another byte, at most `max`; two backslashes stand for one.
    std::string text(std::size_t max) {
        std::string out;
        while (out.size() < max && m_size != 0) {
            const char c = take();
            if (c == '\\' && m_size != 0 && take() != '\\') {
                break;
            }
            out += c;
        }
        return out;
    }
    // A number from `low` to `high` (a range under 2^32), from as many bytes at the end as it needs.
    std::size_t number(std::size_t low, std::size_t high) {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 32 && ((high - low) >> shift) > 0 && m_size != 0; shift += 8) {
            value = (value << 8) | m_data[--m_size];
        }
        return low + static_cast<std::size_t>(value % (high - low + 1));
    }
    bool flag() { return (number(0, 255) & 1) != 0; }

  private:
    char take() {
        --m_size;
        return static_cast<char>(*m_data++);
    }
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// Every tiddler element of the list, written back as the merge writes it.
inline std::string elementsOf(const TiddlerList& list) {
    std::string out;
    for (std::string_view e : list.colDivs) {
        out.append("<div").append(e).append("</div>\r\n");
    }
    return out;
}

}  // namespace korvane::fuzz
