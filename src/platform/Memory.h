// Large document buffers. Filling tens of megabytes of fresh memory page by page costs more than the
// copying itself on many machines; asking for large pages first makes that cost vanish.
#pragma once

#include <cstddef>
#include <string>

namespace korvane {

// Reserves room for `capacity` bytes in `text` and, where the system offers it, asks for large pages
// for that room. The text's content is unchanged.
void reserveLargeBuffer(std::string& text, std::size_t capacity);

}  // namespace korvane
