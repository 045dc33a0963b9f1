#include "document/Secret.h"

#include <openssl/crypto.h>

#include <algorithm>

namespace korvane {

Secret::Secret(Secret&& other) noexcept {
    m_text.swap(other.m_text);
    other.wipe();
}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        wipe();
        m_text.swap(other.m_text);
        other.wipe();
    }
    return *this;
}

void Secret::wipe() {
    wipeText(m_text);
}

void wipeBytes(char* data, std::size_t size) {
    OPENSSL_cleanse(data, size);
}

void appendWiping(std::string& text, std::string_view piece) {
    if (text.size() + piece.size() > text.capacity()) {
        std::string larger;
        larger.reserve(std::max(2 * text.capacity(), text.size() + piece.size()));
        larger += text;
        wipeText(text);
        text.swap(larger);
    }
    text += piece;
}

void wipeText(std::string& text) {
    // The whole buffer, not only the bytes in use: a shorter text may have stood in a longer one.
    text.resize(text.capacity());
    OPENSSL_cleanse(text.data(), text.size());
    text.clear();
}

}  // namespace korvane
