#include "ui/review/ReviewVersions.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/review/ReviewMarks.h"

namespace korvane {
namespace {

// By side; the panes stand left to right as yours, the unedited one, the friend's.
const char* const kPaneNames[] = {"Yours", "Friend's", "Unedited"};
const char* const kPaneObjects[] = {"txtYours", "txtFriends", "txtUnedited"};

QPlainTextEdit* addPane(QWidget* parent, const char* name) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return box;
}

}  // namespace

ReviewVersions::ReviewVersions(const Review& review, QWidget* parent) : QWidget(parent), m_review(review) {
    // The versions side by side, the table of differing fields below them as tall as its rows.
    auto* versionsLayout = new QVBoxLayout(this);
    versionsLayout->setContentsMargins(0, 0, 0, 0);
    auto* panes = new QWidget(this);
    versionsLayout->addWidget(panes, 1);
    auto* panesLayout = new QHBoxLayout(panes);
    panesLayout->setContentsMargins(0, 0, 0, 0);
    for (const Side side : {Side::Local, Side::Unedited, Side::Remote}) {
        const auto p = static_cast<std::size_t>(side);
        auto* column = new QVBoxLayout;
        m_headings[p] = new QLabel(panes);
        m_headings[p]->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(kPaneObjects[p] + 3));
        m_headings[p]->setWordWrap(true);
        m_panes[p] = addPane(panes, kPaneObjects[p]);
        m_headings[p]->setBuddy(m_panes[p]);
        column->addWidget(m_headings[p]);
        column->addWidget(m_panes[p], 1);
        panesLayout->addLayout(column, 1);
    }
    m_fields = new QTableWidget(0, 4, this);
    versionsLayout->addWidget(m_fields);
    m_fields->setObjectName(QStringLiteral("tblFields"));
    m_fields->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Yours"),
                                         QStringLiteral("Unedited"), QStringLiteral("Friend's")});
    m_fields->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_fields->verticalHeader()->hide();
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

QString ReviewVersions::headingText(std::size_t i, Side pane) const {
    const PlanItem& item = m_review.items()[i];
    const QString name = QString::fromUtf8(kPaneNames[static_cast<std::size_t>(pane)]);
    if (pane == Side::Unedited) {
        if (item.local == SideChange::Holds || item.local == SideChange::Lacks) {
            return name + QStringLiteral(" — no unedited copy");
        }
        if (!m_review.holds(i, pane)) {
            return name + QStringLiteral(" — not in this copy");
        }
        const QString at = localStamp(item.uneditedStamp);
        return at.isEmpty() ? name : name + QStringLiteral(" — saved ") + at;
    }
    const SideChange change = pane == Side::Local ? item.local : item.remote;
    if (change == SideChange::Deleted) {
        return name + QStringLiteral(" — deleted on this side");
    }
    if (!m_review.holds(i, pane)) {
        return name + QStringLiteral(" — not in this copy");
    }
    const std::string_view stamp = pane == Side::Local ? item.localStamp : item.remoteStamp;
    const QString verb = change == SideChange::Added       ? QStringLiteral(" — added")
                         : change == SideChange::Unchanged ? QStringLiteral(" — unchanged, saved")
                                                           : QStringLiteral(" — edited");
    const QString at = localStamp(stamp);
    QString text = name + (at.isEmpty() ? verb : verb + QLatin1Char(' ') + at);
    const bool other = m_review.holds(i, pane == Side::Local ? Side::Remote : Side::Local);
    const bool newer =
        pane == Side::Local ? localIsNewer(item) : item.localStamp != item.remoteStamp && !localIsNewer(item);
    if (other && newer && !at.isEmpty()) {
        text += QStringLiteral(" — newer");
    }
    return text;
}

void ReviewVersions::showItem(std::size_t i) {
    // Each pane is filled, cut and marked inside one edit block, so that its document lays a large text
    // out once, not again after every step.
    std::array<QTextCursor, 3> blocks;
    for (const Side pane : {Side::Local, Side::Unedited, Side::Remote}) {
        const auto p = static_cast<std::size_t>(pane);
        m_headings[p]->setText(headingText(i, pane));
        m_panes[p]->document()->setUndoRedoEnabled(false);
        m_panes[p]->document()->clear();
        blocks[p] = QTextCursor(m_panes[p]->document());
        blocks[p].beginEditBlock();
        fillPane(i, pane, m_review.paneText(i, pane));
    }
    markPanes(i);
    for (QTextCursor& block : blocks) {
        block.endEditBlock();
    }
    fillFields(i);
}

void ReviewVersions::fillPane(std::size_t item, Side pane, const std::string& text) {
    const auto p = static_cast<std::size_t>(pane);
    QPlainTextEdit& box = *m_panes[p];
    QTextDocument& document = *box.document();
    m_cuts[p].clear();
    QString decoded = decodeForBox(text, m_contents[p]);
    // Stamps shown as dates; the marks are still found on the stored bytes.
    m_shown[p] = showStamps(m_contents[p], m_review.fieldForm(item));
    if (!m_shown[p].stamps.empty()) {
        decoded = QString::fromUtf8(m_shown[p].content.bytes.data(),
                                    static_cast<qsizetype>(m_shown[p].content.bytes.size()));
    }
    if (text.empty()) {
        box.setPlaceholderText(headingText(item, pane).section(QStringLiteral(" — "), 1));
        return;
    }
    setBoxText(document, decoded);
    if (hasOverlongLine(document)) {
        m_cuts[p] = cutOverlongLines(document);
    }
}

void ReviewVersions::markPanes(std::size_t i) {
    const auto yours = static_cast<std::size_t>(Side::Local);
    const auto unedited = static_cast<std::size_t>(Side::Unedited);
    const auto friends = static_cast<std::size_t>(Side::Remote);
    std::array<int, 3> first{-1, -1, -1};
    const bool fieldForm = m_review.fieldForm(i);
    for (std::size_t p = 0; p < 3; ++p) {
        m_starts[p] =
            m_contents[p].bytes.empty() ? std::vector<std::size_t>{} : unicodeWordStarts(m_contents[p]);
    }
    // Each side against the unedited version; without one, the two sides against each other.
    const bool againstUnedited = m_review.holds(i, Side::Unedited);
    const std::size_t base = againstUnedited ? unedited : yours;
    std::vector<ByteRange> removed;
    for (const std::size_t side :
         againstUnedited ? std::vector<std::size_t>{yours, friends} : std::vector<std::size_t>{friends}) {
        if (m_contents[side].bytes.empty() || m_contents[base].bytes.empty()) {
            continue;
        }
        const WordChanges changes =
            unicodeWordChanges(m_contents[base], m_starts[base], m_contents[side], m_starts[side]);
        const std::vector<ByteRange> marks = visibleParts(m_contents[side].bytes, changes.inserted);
        markRanges(*m_panes[side]->document(),
                   shownPositionsOf(m_contents[side], m_shown[side], marks, m_cuts[side]), Mark::Inserted);
        first[side] = openingPosition(m_contents[side], m_shown[side], marks, m_cuts[side], fieldForm);
        removed.insert(removed.end(), changes.removed.begin(), changes.removed.end());
    }
    // What either side removed from the base, in order and joined where ranges overlap.
    std::sort(removed.begin(), removed.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.start < b.start; });
    std::vector<ByteRange> joined;
    for (const ByteRange& r : removed) {
        if (!joined.empty() && r.start <= joined.back().end) {
            joined.back().end = std::max(joined.back().end, r.end);
        } else {
            joined.push_back(r);
        }
    }
    joined = visibleParts(m_contents[base].bytes, joined);
    markRanges(*m_panes[base]->document(),
               shownPositionsOf(m_contents[base], m_shown[base], joined, m_cuts[base]), Mark::Removed);
    first[base] = openingPosition(m_contents[base], m_shown[base], joined, m_cuts[base], fieldForm);
    for (std::size_t p = 0; p < 3; ++p) {
        openAt(m_panes[p], first[p]);
    }
}

void ReviewVersions::fillFields(std::size_t i) {
    const std::vector<Review::FieldRow> fields = m_review.changedFields(i);
    m_fields->setRowCount(static_cast<int>(fields.size()));
    for (int r = 0; r < static_cast<int>(fields.size()); ++r) {
        const Review::FieldRow& f = fields[static_cast<std::size_t>(r)];
        int c = 0;
        // A stamp as a date, the stored value on hover.
        const bool stamps = f.name == "modified" || f.name == "created";
        for (const std::string* value : {&f.name, &f.yours, &f.unedited, &f.friends}) {
            const QString date = stamps && c > 0 ? localStamp(*value) : QString();
            auto* cell = new QTableWidgetItem(date.isEmpty() ? fromUtf8(*value) : date);
            if (!date.isEmpty()) {
                cell->setToolTip(fromUtf8(*value));
            }
            m_fields->setItem(r, c++, cell);
        }
    }
    // As tall as its rows, so that the versions and the result keep the room.
    m_fields->resizeRowsToContents();
    int height = m_fields->horizontalHeader()->height() + 2 * m_fields->frameWidth();
    for (int r = 0; r < m_fields->rowCount(); ++r) {
        height += m_fields->rowHeight(r);
    }
    m_fields->setMaximumHeight(height);
    m_fields->setVisible(!fields.empty());
}

}  // namespace korvane
