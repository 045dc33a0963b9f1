// Writing tiddlers as TiddlyWiki writes them into a JSON store block.
#include <algorithm>
#include <cstdint>

#include "document/Tw5Json.h"

namespace korvane {
namespace {

// A canonical array index ("0", "17", not "017"), which JavaScript orders before other names.
bool isArrayIndex(std::string_view name, std::uint64_t& value) {
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0')) {
        return false;
    }
    value = 0;
    for (char c : name) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value < 4294967295ULL;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view value, bool escapeLessThan) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '<':
                out += escapeLessThan ? "\\u003C" : "<";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else if (c == 0xED && i + 2 < value.size() &&
                           (static_cast<unsigned char>(value[i + 1]) & 0xE0) == 0xA0 &&
                           (static_cast<unsigned char>(value[i + 2]) & 0xC0) == 0x80) {
                    // A lone surrogate (kept from a \u escape) is written as JSON.stringify writes it; other
                    // bytes that are no UTF-8 stay as they are.
                    const std::uint32_t cp = 0xD000 |
                                             ((static_cast<unsigned char>(value[i + 1]) & 0x3F) << 6) |
                                             (static_cast<unsigned char>(value[i + 2]) & 0x3F);
                    out += "\\u";
                    for (int shift = 12; shift >= 0; shift -= 4) {
                        out += kHex[(cp >> shift) & 15];
                    }
                    i += 2;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

namespace {

// JavaScript's order of two property names: array indices first, in numeric order, then the others.
bool beforeInObject(std::string_view x, std::string_view y) {
    std::uint64_t a = 0, b = 0;
    const bool xi = isArrayIndex(x, a);
    const bool yi = isArrayIndex(y, b);
    return xi && yi ? a < b : xi && !yi;
}

bool hasArrayIndex(const Fields& fields) {
    std::uint64_t a = 0;
    return std::any_of(fields.begin(), fields.end(),
                       [&a](const Field& f) { return isArrayIndex(f.name, a); });
}

// The positions of the fields in the order of inObjectOrder, so that writing them copies no value (an
// encrypted wiki's values are decrypted text, which no freed copy may keep).
std::vector<std::size_t> objectOrder(const Fields& fields) {
    std::vector<std::size_t> order(fields.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    if (hasArrayIndex(fields)) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
            return beforeInObject(fields[x].name, fields[y].name);
        });
    }
    return order;
}

}  // namespace

// Sorted where they stand: moving them to another buffer would give back one holding their bytes.
Fields inObjectOrder(Fields fields) {
    if (hasArrayIndex(fields)) {
        std::stable_sort(fields.begin(), fields.end(),
                         [](const Field& x, const Field& y) { return beforeInObject(x.name, y.name); });
    }
    return fields;
}

std::string toStoreJson(const Fields& fields) {
    std::size_t size = 2;
    for (const Field& f : fields) {
        size += f.name.size() + f.value.size() + 6;
    }
    std::string out;
    out.reserve(size + size / 16);
    out += '{';
    for (std::size_t i : objectOrder(fields)) {
        const Field& f = fields[i];
        if (out.size() > 1) {
            out += ',';
        }
        appendJsonString(out, f.name, true);
        out += ':';
        appendJsonString(out, f.value, true);
    }
    out += '}';
    return out;
}

}  // namespace korvane
