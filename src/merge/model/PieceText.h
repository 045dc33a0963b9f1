// A long text kept as a sequence of pieces: views into the run's documents, and the few texts the
// run makes itself (edited tiddlers, conflict copies). The merged document is mostly unchanged runs
// of the local document, so holding it this way spares a second copy of tens of megabytes; the pieces
// go to disk directly.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Memory.h"

namespace korvane {

class PieceText {
  public:
    // Appends a view into text that outlives this object; a view that continues the previous piece in
    // memory simply lengthens it.
    void append(std::string_view piece);
    // Appends a text that this object keeps.
    void appendOwned(std::string text);

    const std::vector<std::string_view>& pieces() const { return m_pieces; }
    std::size_t size() const { return m_size; }
    // The whole text in one string.
    std::string str() const;
    // The same in memory for whole documents (see Memory.h), for a text of megabytes that is read once.
    DocumentText documentText() const;

  private:
    std::vector<std::string_view> m_pieces;
    std::deque<std::string> m_owned;  // a deque keeps its strings in place as it grows
    std::size_t m_size = 0;
};

}  // namespace korvane
