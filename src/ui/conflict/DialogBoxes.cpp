#include "ui/conflict/DialogBoxes.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include "ui/conflict/DiffMarking.h"

namespace korvane {
namespace {

// A raw document text with the breaks at `cuts` (positions before the cut, ascending) taken out.
QString withoutCuts(const QString& raw, const std::vector<qsizetype>& cuts) {
    if (cuts.empty()) {
        return raw;
    }
    QString text;
    text.reserve(raw.size());
    qsizetype from = 0;
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        const qsizetype at = cuts[k] + static_cast<qsizetype>(k);  // where the k-th break stands now
        text += QStringView(raw).mid(from, at - from);
        from = at + 1;
    }
    text += QStringView(raw).mid(from);
    return text;
}

// Bolds the ranges, given in the text without the cuts, in a document that holds the cuts.
// Gives the document position where the first range starts, -1 when there is none.
int applyBold(QTextDocument& document, const std::vector<BoldRange>& ranges,
              const std::vector<qsizetype>& cuts) {
    const auto shifted = [&cuts](std::size_t position, bool isEnd) {
        return positionAfterCuts(static_cast<qsizetype>(position), cuts, isEnd);
    };
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (const BoldRange& r : ranges) {
        cursor.setPosition(shifted(r.start, false));
        cursor.setPosition(shifted(r.end, true), QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(bold);
    }
    return ranges.empty() ? -1 : shifted(ranges.front().start, false);
}

// Laying out a line that is broken at word boundaries looks for the end of the word again for every
// line of the box, which costs time that grows with the square of the word's length. A text with a word
// longer than this (an embedded image, a run of nested elements) is broken anywhere instead.
constexpr qsizetype kLongestWrappedWord = 1000;

bool hasLongWord(const QString& text) {
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongestWrappedWord) {
            return true;
        }
    }
    return false;
}

std::u16string_view chars(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// The order in which boxes are filled and written back.
constexpr DialogBox kExchangeOrder[] = {DialogBox::Conflict1, DialogBox::Conflict2, DialogBox::Local,
                                        DialogBox::Original, DialogBox::Server};

}  // namespace

void showReadOnly(QPlainTextEdit& box) {
    box.setReadOnly(true);
    QPalette palette = box.palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box.setPalette(palette);
}

void DialogBoxes::take(ConflictRequest& request) {
    m_texts = std::move(request.texts);
    m_checkBox = std::move(request.checkBox);
    m_fieldForm = request.fieldForm;
    m_takenBack = std::move(request.takenBackBoxes);
}

void DialogBoxes::fill() {
    // Each box is filled and marked inside one edit block, so that its document lays a large text out
    // once, not again after every step.
    std::array<QTextCursor, 5> blocks;
    for (DialogBox which : kExchangeOrder) {
        const auto i = static_cast<std::size_t>(which);
        QPlainTextEdit& b = *m_boxes[i];
        BoxContent& content = m_contents[i];
        const QString text = decodeForBox(std::move(m_texts.of(which)), content);
        // The text is written anew on closing; until then the box and its content hold it.
        std::string().swap(m_texts.of(which));
        b.setWordWrapMode(hasLongWord(text) ? QTextOption::WrapAnywhere
                                            : QTextOption::WrapAtWordBoundaryOrAnywhere);
        b.document()->setUndoRedoEnabled(false);  // filling and marking are not edits to undo
        blocks[i] = QTextCursor(b.document());
        blocks[i].beginEditBlock();
        setBoxText(*b.document(), text);
        if (hasOverlongLine(*b.document())) {
            m_cuts[i] = cutOverlongLines(*b.document());
            showReadOnly(b);
            b.setToolTip(
                QStringLiteral("This version has a line too long to edit here. It is shown in pieces, "
                               "and kept exactly as it is."));
        }
    }
    markDifferencesInBoxes();
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        blocks[i].endEditBlock();
        // From here on the document counts as modified exactly while its text differs from the filling
        // (an edit undone again counts as unchanged).
        m_boxes[i]->document()->setModified(false);
        m_boxes[i]->document()->setUndoRedoEnabled(true);
        m_boxes[i]->moveCursor(QTextCursor::Start);  // filling moved the insertion point to the end
        if (m_firstMark[i] > 0) {
            // The box opens at its first marked difference, which in a long tiddler lies below the
            // part shown first; it is scrolled there once the dialog has its size.
            QTextCursor at(m_boxes[i]->document());
            at.setPosition(m_firstMark[i]);
            m_boxes[i]->setTextCursor(at);
            QTimer::singleShot(0, m_boxes[i], [box = m_boxes[i]] { box->ensureCursorVisible(); });
        }
    }
}

void DialogBoxes::markDifferencesInBoxes() {
    // The document's raw text counts one character per line break, as the text cursor does; the breaks
    // that cut an overlong line are not part of the text, so they are left out of the comparison.
    const auto local = static_cast<std::size_t>(DialogBox::Local);
    const auto server = static_cast<std::size_t>(DialogBox::Server);
    const QString localText = withoutCuts(m_boxes[local]->document()->toRawText(), m_cuts[local]);
    const QString serverText = withoutCuts(m_boxes[server]->document()->toRawText(), m_cuts[server]);
    const DiffMarks marks = m_fieldForm ? markFieldDifferences(chars(localText), chars(serverText))
                                        : markDifferences(chars(localText), chars(serverText));
    m_firstMark[local] = applyBold(*m_boxes[local]->document(), marks.local, m_cuts[local]);
    m_firstMark[server] = applyBold(*m_boxes[server]->document(), marks.server, m_cuts[server]);
}

std::optional<std::pair<DialogBox, std::string>> DialogBoxes::refusedEdit(DialogButton which) const {
    if (!m_checkBox) {
        return std::nullopt;
    }
    const std::set<DialogBox> read = which == DialogButton::Local      ? std::set{DialogBox::Local}
                                     : which == DialogButton::Original ? std::set{DialogBox::Original}
                                     : which == DialogButton::Server
                                         ? std::set{DialogBox::Server}
                                         : std::set{DialogBox::Conflict1, DialogBox::Conflict2};
    for (DialogBox b : read) {
        const auto i = static_cast<std::size_t>(b);
        const QTextDocument& document = *m_boxes[i]->document();
        if (!m_takenBack.contains(b) || !document.isModified()) {
            continue;
        }
        if (std::string refusal = m_checkBox(encodeBoxText(readBoxText(document), m_contents[i]));
            !refusal.empty()) {
            return std::pair{b, std::move(refusal)};
        }
    }
    return std::nullopt;
}

void DialogBoxes::readBack() {
    for (DialogBox b : kExchangeOrder) {
        const auto i = static_cast<std::size_t>(b);
        const QTextDocument& document = *m_boxes[i]->document();
        m_texts.of(b) = document.isModified() ? encodeBoxText(readBoxText(document), m_contents[i])
                                              : std::move(m_contents[i].bytes);
    }
}

}  // namespace korvane
