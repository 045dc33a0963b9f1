// A password or a key held in memory: never copied, and wiped (OPENSSL_cleanse) when it goes.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

class Secret {
  public:
    Secret() = default;
    // Copies the bytes straight into the secret's own memory, so that no temporary holds them.
    explicit Secret(std::string_view text) : m_text(text) {}
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    ~Secret() { wipe(); }

    std::string_view view() const { return m_text; }
    bool empty() const { return m_text.empty(); }
    // Overwrites the bytes and leaves the secret empty.
    void wipe();

  private:
    std::string m_text;
};

// Overwrites a text that held something secret (a decrypted store) and empties it.
void wipeText(std::string& text);
// Appends `piece` to a text that holds something secret; where the text must grow, it moves to a buffer
// twice as large and the one it leaves is overwritten.
void appendWiping(std::string& text, std::string_view piece);
// Overwrites bytes that held something secret, in a way the compiler does not leave out.
void wipeBytes(char* data, std::size_t size);

}  // namespace korvane
