#include "ui/review/ReviewChoices.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/review/ReviewList.h"
#include "ui/review/ReviewMarks.h"
#include "ui/review/ReviewVersions.h"

namespace korvane {
namespace {

struct OutcomeButton {
    Outcome outcome;
    const char* caption;
    const char* name;
    const char* tip;
};
const OutcomeButton kButtons[] = {
    {Outcome::Local, "&Yours", "cmdYours", "Keep your version (Alt+Y)"},
    {Outcome::Remote, "&Friend's", "cmdFriends", "Keep the friend's version (Alt+F)"},
    {Outcome::Unedited, "&Unedited", "cmdUnedited", "Keep the unedited version (Alt+U)"},
    {Outcome::Merged, "&Merged", "cmdMerged", "Keep one version that holds the edits of both sides (Alt+M)"},
    {Outcome::Both, "&Both", "cmdBoth",
     "Keep both: yours under its title, the friend's as a conflict copy that it links to (Alt+B)"},
    {Outcome::Drop, "&Drop", "cmdDrop", "Leave the tiddler out of the merged wiki (Alt+D)"},
};

}  // namespace

ReviewChoices::ReviewChoices(const Review& review, std::function<void(Outcome)> choose, QWidget* parent)
    : QWidget(parent), m_review(review), m_choose(std::move(choose)) {
    auto* bottomLayout = new QVBoxLayout(this);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Keep:"), this));
    for (const OutcomeButton& b : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setCheckable(true);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, o = b.outcome] { m_choose(o); });
        m_outcomes[static_cast<std::size_t>(b.outcome)] = button;
        buttons->addWidget(button);
    }
    buttons->addStretch();
    bottomLayout->addLayout(buttons);
    m_resultHeading = new QLabel(this);
    m_resultHeading->setObjectName(QStringLiteral("lblResult"));
    m_resultHeading->setWordWrap(true);
    auto* headingRow = new QHBoxLayout;
    headingRow->addWidget(m_resultHeading, 1);
    // The key to the result's marks, in their own colours and lines.
    auto* key = new QLabel(
        QStringLiteral(
            "Marked: <span style=\"background:#ccdcf8;text-decoration:underline\">from yours</span> "
            "· <span style=\"background:#f8ecb0\">from the friend's</span> (dotted)"),
        this);
    key->setObjectName(QStringLiteral("lblResultKey"));
    headingRow->addWidget(key);
    bottomLayout->addLayout(headingRow);
    m_result = new QPlainTextEdit(this);
    m_result->setObjectName(QStringLiteral("txtResult"));
    m_result->setTabChangesFocus(true);
    m_resultHeading->setBuddy(m_result);
    bottomLayout->addWidget(m_result, 1);
}

void ReviewChoices::markResult(std::size_t i, const ReviewVersions& versions,
                               const std::vector<qsizetype>& cuts) {
    // What the result takes from each side: its words that the other side's version lacks. Against a
    // side, a result merged from both differs only where the other side edited, so each diff stays
    // as small as the edits, however long the text.
    const BoxContent& result = m_resultContent;
    if (result.bytes.empty()) {
        return;
    }
    const std::vector<std::size_t> starts = unicodeWordStarts(result);
    const auto newAgainst = [&](Side side) {
        return versions.content(side).bytes.empty()
                   ? std::vector<ByteRange>{{0, result.bytes.size()}}
                   : unicodeWordChanges(versions.content(side), versions.starts(side), result, starts)
                         .inserted;
    };
    std::vector<ByteRange> fromYours = newAgainst(Side::Remote), fromFriends = newAgainst(Side::Local);
    fromYours = visibleParts(result.bytes, fromYours);
    fromFriends = visibleParts(result.bytes, fromFriends);
    QTextDocument& document = *m_result->document();
    markRanges(document, positionsOf(result, fromYours, cuts), Mark::FromYours);
    markRanges(document, positionsOf(result, fromFriends, cuts), Mark::FromFriends);
    std::vector<ByteRange> all = fromYours;
    all.insert(all.end(), fromFriends.begin(), fromFriends.end());
    std::sort(all.begin(), all.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.start < b.start; });
    m_resultOpening = openingPosition(result, ShownText{}, all, cuts, m_review.fieldForm(i));
}

void ReviewChoices::showItem(std::size_t i, const ReviewVersions& versions) {
    const PlanItem& item = m_review.items()[i];
    for (const OutcomeButton& b : kButtons) {
        QPushButton* button = m_outcomes[static_cast<std::size_t>(b.outcome)];
        button->setEnabled(m_review.allows(i, b.outcome));
        button->setChecked(item.outcome == b.outcome);
    }
    std::string words;  // both versions of an active tiddler: which stays active, and the inert copy
    const std::string text = m_review.resultText(i, &words);
    const QString way = item.outcome == Outcome::Merged ? mergedWay(item.mergedBy) : QString();
    const QString kept = item.outcome == Outcome::Edited ? QStringLiteral("your edit")
                         : item.outcome == Outcome::Drop ? QStringLiteral("nothing: the tiddler is left out")
                         : deletes(item)
                             ? QStringLiteral("nothing: deleted as ") +
                                   (item.outcome == Outcome::Local ? QStringLiteral("you did")
                                                                   : QStringLiteral("your friend did"))
                             : QString::fromUtf8(outcomeName(item.outcome)) +
                                   (!words.empty()   ? QStringLiteral(": ") + QString::fromStdString(words)
                                    : !way.isEmpty() ? QStringLiteral(": ") + way
                                                     : QString());
    QTextDocument& document = *m_result->document();
    document.setUndoRedoEnabled(false);  // filling is not an edit to undo
    document.clear();
    QTextCursor block(&document);
    block.beginEditBlock();
    setBoxText(document, decodeForBox(text, m_resultContent));
    // Both versions, a plugin's summary and a text too long to edit are shown, not edited.
    const bool overlong = hasOverlongLine(document);
    const bool editable = item.outcome != Outcome::Both && !item.plugin && !overlong;
    std::vector<qsizetype> cuts;
    if (overlong) {
        cuts = cutOverlongLines(document);
    }
    m_resultOpening = -1;
    if (item.outcome != Outcome::Both) {
        markResult(i, versions, cuts);
    }
    block.endEditBlock();
    document.setUndoRedoEnabled(true);
    m_result->setReadOnly(!editable);
    m_resultHeading->setText(QStringLiteral("Result — ") + kept +
                             (editable ? QStringLiteral(" (you can edit it here)") : QString()));
    document.setModified(false);
    openAt(m_result, m_resultOpening);
}

bool ReviewChoices::editWaiting() const {
    return !m_result->isReadOnly() && m_result->document()->isModified();
}

std::string ReviewChoices::editedText() const {
    return encodeBoxText(readBoxText(*m_result->document()), m_resultContent);
}

}  // namespace korvane
