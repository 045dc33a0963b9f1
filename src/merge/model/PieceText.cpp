#include "merge/model/PieceText.h"

namespace korvane {

void PieceText::append(std::string_view piece) {
    if (piece.empty()) {
        return;
    }
    m_size += piece.size();
    if (!m_pieces.empty()) {
        std::string_view& last = m_pieces.back();
        if (last.data() + last.size() == piece.data()) {
            last = std::string_view(last.data(), last.size() + piece.size());
            return;
        }
    }
    m_pieces.push_back(piece);
}

void PieceText::appendOwned(std::string text) {
    if (text.empty()) {
        return;
    }
    m_owned.push_back(std::move(text));
    m_size += m_owned.back().size();
    m_pieces.push_back(m_owned.back());
}

namespace {

template <class Text>
Text joined(const std::vector<std::string_view>& pieces, std::size_t size) {
    Text out;
    out.reserve(size);
    for (std::string_view piece : pieces) {
        out += piece;
    }
    return out;
}

}  // namespace

std::string PieceText::str() const {
    return joined<std::string>(m_pieces, m_size);
}

DocumentText PieceText::documentText() const {
    return joined<DocumentText>(m_pieces, m_size);
}

}  // namespace korvane
