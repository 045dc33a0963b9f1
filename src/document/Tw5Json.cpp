#include "document/Tw5Json.h"

#include <algorithm>
#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {

const std::string* fieldValue(const Fields& fields, std::string_view name) {
    for (const Field& f : fields) {
        if (f.name == name) {
            return &f.value;
        }
    }
    return nullptr;
}

void setField(Fields& fields, std::string_view name, std::string value) {
    for (Field& f : fields) {
        if (f.name == name) {
            f.value = std::move(value);
            return;
        }
    }
    fields.push_back({std::string(name), std::move(value)});
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The bytes that end a plain run inside a string: the quote, the backslash, control characters.
constexpr auto kStops = [] {
    std::array<bool, 256> stops{};
    for (int c = 0; c < 0x20; ++c) {
        stops[static_cast<std::size_t>(c)] = true;
    }
    stops['"'] = stops['\\'] = true;
    return stops;
}();

// The first byte from `p` on that ends a plain run (see kStops), or `end`. A store is tens of megabytes
// of string values, so the bytes are looked at sixteen at a time where the processor allows it.
const char* nextStop(const char* p, const char* const end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    while (end - p >= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // A byte is a control character when its unsigned minimum with 0x1F is itself.
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, quote), _mm_cmpeq_epi8(x, backslash)),
                                         _mm_cmpeq_epi8(_mm_min_epu8(x, lastControl), x));
        if (const int mask = _mm_movemask_epi8(hit); mask != 0) {
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        }
        p += 16;
    }
#endif
    while (p != end && !kStops[static_cast<unsigned char>(*p)]) {
        ++p;
    }
    return p;
}

// A strict JSON scanner over one text.
class Scanner {
  public:
    explicit Scanner(std::string_view text) : m_s(text) {}

    std::size_t at() const { return m_p; }
    bool atEnd() const { return m_p >= m_s.size(); }
    char peek() const { return atEnd() ? '\0' : m_s[m_p]; }

    // JSON's whitespace only: space, tab, line feed, carriage return.
    void skipSpace() {
        while (m_p < m_s.size() &&
               (m_s[m_p] == ' ' || m_s[m_p] == '\t' || m_s[m_p] == '\n' || m_s[m_p] == '\r')) {
            ++m_p;
        }
    }
    bool take(char c) {
        skipSpace();
        if (peek() != c) {
            return false;
        }
        ++m_p;
        return true;
    }

    // A string; `raw` is the text between its quotes. Empty on success, else what is wrong.
    std::string string(std::string_view& raw) {
        skipSpace();
        if (peek() != '"') {
            return "a value that is not a string";
        }
        const std::size_t begin = ++m_p;
        while (true) {
            // The bulk of a long text has neither quote nor backslash nor control character.
            const char* const p = nextStop(m_s.data() + m_p, m_s.data() + m_s.size());
            m_p = static_cast<std::size_t>(p - m_s.data());
            if (atEnd()) {
                return "a string that never ends";
            }
            const char c = m_s[m_p];
            if (c == '"') {
                raw = m_s.substr(begin, m_p - begin);
                ++m_p;
                return {};
            }
            if (c != '\\') {
                return "a control character inside a string";
            }
            if (m_p + 1 >= m_s.size()) {
                return "a string that never ends";
            }
            const char e = m_s[m_p + 1];
            if (e == 'u') {
                for (std::size_t k = 2; k < 6; ++k) {
                    if (m_p + k >= m_s.size() || hexDigit(m_s[m_p + k]) < 0) {
                        return "a bad \\u escape";
                    }
                }
                m_p += 6;
            } else if (std::string_view("\"\\/bfnrt").find(e) != std::string_view::npos) {
                m_p += 2;
            } else {
                return "a bad escape";
            }
        }
    }

    // Passes over any JSON value; false when it is not one.
    bool skipValue(int depth = 0) {
        skipSpace();
        if (depth > 512) {
            return false;
        }
        const char c = peek();
        std::string_view raw;
        if (c == '"') {
            return string(raw).empty();
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++m_p;
            if (take(close)) {
                return true;
            }
            do {
                if (c == '{' && (!string(raw).empty() || !take(':'))) {
                    return false;
                }
                if (!skipValue(depth + 1)) {
                    return false;
                }
            } while (take(','));
            return take(close);
        }
        for (std::string_view word : {"true", "false", "null"}) {
            if (m_s.substr(m_p, word.size()) == word) {
                m_p += word.size();
                return true;
            }
        }
        const std::size_t begin = m_p;
        while (m_p < m_s.size() &&
               std::string_view("+-0123456789.eE").find(m_s[m_p]) != std::string_view::npos) {
            ++m_p;
        }
        return m_p > begin;
    }

  private:
    std::string_view m_s;
    std::size_t m_p = 0;
};

std::string at(const std::string& what, std::size_t pos) {
    return what + " at byte " + std::to_string(pos);
}

// Reads one object of string values, passing its fields to `onField`; empty on success.
template <class OnField>
std::string readObject(Scanner& s, OnField onField, bool& hasTitle) {
    hasTitle = false;
    if (!s.take('{')) {
        return at("an entry that is not an object", s.at());
    }
    if (s.take('}')) {
        return at("an object without a title", s.at());
    }
    do {
        std::string_view name;
        std::string_view value;
        std::string problem = s.string(name);
        if (!problem.empty()) {
            return at(problem, s.at());
        }
        if (!s.take(':')) {
            return at("a missing colon", s.at());
        }
        problem = s.string(value);
        if (!problem.empty()) {
            return at(problem, s.at());
        }
        hasTitle = hasTitle || name == "title" || (hasEscapes(name) && decodeJsonString(name) == "title");
        onField(name, value);
    } while (s.take(','));
    if (!s.take('}')) {
        return at("a missing closing brace or comma", s.at());
    }
    return hasTitle ? std::string() : at("an object without a title", s.at());
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::uint32_t hex4(std::string_view raw, std::size_t from) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        v = v * 16 + static_cast<std::uint32_t>(hexDigit(raw[from + k]));
    }
    return v;
}

// Appends the character of the `\uXXXX` escape whose `u` stands at `at` (a surrogate pair is one
// character; a lone surrogate is kept as it stands); the position of its last digit.
std::size_t appendUnicodeEscape(std::string& out, std::string_view raw, std::size_t at) {
    std::uint32_t cp = hex4(raw, at + 1);
    at += 4;
    if (cp >= 0xD800 && cp < 0xDC00 && at + 6 < raw.size() && raw[at + 1] == '\\' && raw[at + 2] == 'u') {
        const std::uint32_t low = hex4(raw, at + 3);
        if (low >= 0xDC00 && low < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            at += 6;
        }
    }
    appendUtf8(out, cp);
    return at;
}

}  // namespace

std::string decodeJsonString(std::string_view raw) {
    if (!hasEscapes(raw)) {
        return std::string(raw);
    }
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        // Runs without an escape are copied whole.
        const std::size_t escape = std::min(raw.find('\\', i), raw.size());
        out.append(raw, i, escape - i);
        i = escape;
        if (i + 1 >= raw.size()) {
            if (i < raw.size()) {
                out += raw[i];
            }
            break;
        }
        const char e = raw[++i];
        switch (e) {
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                i = appendUnicodeEscape(out, raw, i);
                break;
            default:  // the quote, backslash and slash stand for themselves
                out += e;
        }
    }
    return out;
}

ReadProblem readJsonStore(std::string_view text, JsonFieldSink& sink) {
    Scanner s(text);
    if (!s.take('[')) {
        return at("no array", s.at());
    }
    if (!s.take(']')) {
        do {
            s.skipSpace();
            sink.objectBegins(s.at());
            bool hasTitle = false;
            std::string problem = readObject(
                s, [&sink](std::string_view n, std::string_view v) { sink.field(n, v); }, hasTitle);
            if (!problem.empty()) {
                return problem;
            }
            sink.objectEnds(s.at());
        } while (s.take(','));
        if (!s.take(']')) {
            return at("a missing closing bracket or comma", s.at());
        }
    }
    s.skipSpace();
    return s.atEnd() ? ReadProblem() : at("text after the array", s.at());
}

ReadProblem readJsonObject(std::string_view text, Fields& fields) {
    Scanner s(text);
    fields.clear();
    bool hasTitle = false;
    // A tiddler has few fields: a repeated name is found by looking through them.
    std::string problem = readObject(
        s,
        [&](std::string_view n, std::string_view v) {
            setField(fields, hasEscapes(n) ? decodeJsonString(n) : std::string(n), decodeJsonString(v));
        },
        hasTitle);
    if (problem.empty()) {
        s.skipSpace();
        if (!s.atEnd()) {
            problem = at("text after the object", s.at());
        }
    }
    if (!problem.empty()) {
        fields.clear();
        return problem;
    }
    fields = inObjectOrder(std::move(fields));
    return {};
}

long countMembers(std::string_view json, std::string_view member) {
    Scanner s(json);
    if (!s.take('{')) {
        return -1;
    }
    if (s.take('}')) {
        return -1;
    }
    do {
        std::string_view name;
        if (!s.string(name).empty() || !s.take(':')) {
            return -1;
        }
        if (decodeJsonString(name) == member && s.take('{')) {
            long count = 0;
            if (s.take('}')) {
                return 0;
            }
            do {
                std::string_view key;
                if (!s.string(key).empty() || !s.take(':') || !s.skipValue()) {
                    return -1;
                }
                ++count;
            } while (s.take(','));
            return s.take('}') ? count : -1;
        }
        if (!s.skipValue()) {
            return -1;
        }
    } while (s.take(','));
    return -1;
}

}  // namespace korvane
