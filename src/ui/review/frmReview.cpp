#include "ui/review/frmReview.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "merge/Messages.h"
#include "merge/format/TextMerge.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/review/ShownStamps.h"

namespace korvane {
namespace {

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// By side; the panes stand left to right as yours, the unedited one, the friend's.
const char* const kPaneNames[] = {"Yours", "Friend's", "Unedited"};
const char* const kPaneObjects[] = {"txtYours", "txtFriends", "txtUnedited"};

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

// The document positions of byte ranges of a box's content: a line break (CR LF or one character) is
// one position, a character beyond the Basic Multilingual Plane two, and every break that cut an overlong
// line one more from where it stands on.
std::vector<std::pair<int, int>> positionsOf(const BoxContent& content, const std::vector<ByteRange>& ranges,
                                             const std::vector<qsizetype>& cuts) {
    std::vector<std::pair<int, int>> out;
    const std::string& b = content.bytes;
    std::size_t byte = 0;
    qsizetype position = 0;
    const auto advanceTo = [&](std::size_t to) {
        for (; byte < to && byte < b.size(); ++byte) {
            const auto c = static_cast<unsigned char>(b[byte]);
            if (c == '\r' && byte + 1 < b.size() && b[byte + 1] == '\n') {
                continue;  // CR LF is one break
            }
            if (!content.utf8 || c < 0x80) {
                ++position;
            } else if (c >= 0xF0) {
                position += 2;  // a surrogate pair
            } else if (c >= 0xC0) {
                ++position;  // a lead byte; continuation bytes add nothing
            }
        }
        return position;
    };
    for (const ByteRange& r : ranges) {
        const qsizetype start = advanceTo(r.start);
        const qsizetype end = advanceTo(r.end);
        if (end > start) {
            out.emplace_back(positionAfterCuts(start, cuts, false), positionAfterCuts(end, cuts, true));
        }
    }
    return out;
}

// How a mark looks: inserted text underlined on green, removed text struck through on red; in the
// result, what it takes from yours underlined on blue, from the friend's dotted on yellow. Each reads
// without colour too.
enum class Mark { Inserted, Removed, FromYours, FromFriends };

void markRanges(QTextDocument& document, const std::vector<std::pair<int, int>>& ranges, Mark mark) {
    QTextCharFormat format;
    switch (mark) {
        case Mark::Inserted:
            format.setBackground(QColor(0xc8, 0xf0, 0xc8));
            format.setFontUnderline(true);
            break;
        case Mark::Removed:
            format.setBackground(QColor(0xf8, 0xc8, 0xc8));
            format.setFontStrikeOut(true);
            break;
        case Mark::FromYours:
            format.setBackground(QColor(0xcc, 0xdc, 0xf8));
            format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
            break;
        case Mark::FromFriends:
            format.setBackground(QColor(0xf8, 0xec, 0xb0));
            format.setUnderlineStyle(QTextCharFormat::DotLine);
            break;
    }
    QTextCursor cursor(&document);
    for (const auto& [start, end] : ranges) {
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
}

bool isSpaceByte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The ranges cut at line breaks, each part without the spaces at its ends: a mark never runs over the
// end of a line into the indent of the next, which would make an unchanged line look changed.
std::vector<ByteRange> visibleParts(const std::string& b, const std::vector<ByteRange>& ranges) {
    std::vector<ByteRange> parts;
    for (const ByteRange& r : ranges) {
        for (std::size_t start = r.start; start < r.end;) {
            std::size_t end = start;
            while (end < r.end && b[end] != '\n') {
                ++end;
            }
            std::size_t s = start, e = end;
            while (s < e && isSpaceByte(b[s])) {
                ++s;
            }
            while (e > s && isSpaceByte(b[e - 1])) {
                --e;
            }
            if (e > s) {
                parts.push_back({s, e});
            }
            start = end + 1;
        }
    }
    return parts;
}

// The starts of a text's words in bytes, each word with the spaces after it, then the text's size: the
// words the marks follow. A text is parted at spaces, and a run without spaces that holds more than
// ASCII is parted again as Unicode's word-boundary rules part it (QTextBoundaryFinder), so that Chinese
// or Japanese text, written without spaces, is marked word by word and not a sentence at a time. Only
// such runs go to the boundary finder, which keeps a line of megabytes quick.
std::vector<std::size_t> unicodeWordStarts(const BoxContent& content) {
    const std::string& b = content.bytes;
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < b.size();) {
        std::size_t end = at;
        bool ascii = true;
        for (; end < b.size() && !isSpaceByte(b[end]); ++end) {
            ascii = ascii && static_cast<unsigned char>(b[end]) < 0x80;
        }
        const std::size_t runEnd = end;
        while (end < b.size() && isSpaceByte(b[end])) {
            ++end;
        }
        starts.push_back(at);
        if (!ascii && content.utf8) {
            const std::size_t kept = starts.size();
            const QString run = QString::fromUtf8(b.data() + at, static_cast<qsizetype>(runEnd - at));
            QTextBoundaryFinder finder(QTextBoundaryFinder::Word, run);
            std::size_t byte = at;
            qsizetype unit = 0;
            const auto advance = [&](qsizetype to) {
                for (; unit < to; ++unit) {
                    const char16_t c = run[unit].unicode();
                    byte += c < 0x80                    ? 1
                            : c < 0x800                 ? 2
                            : QChar::isHighSurrogate(c) ? 4
                            : QChar::isLowSurrogate(c)  ? 0
                                                        : 3;
                }
            };
            for (qsizetype next = finder.toNextBoundary(); next > 0 && next < run.size();
                 next = finder.toNextBoundary()) {
                advance(next);
                if (!run[next].isSpace()) {  // a space such as U+3000 stays with the word before it
                    starts.push_back(byte);
                }
            }
            advance(run.size());
            if (byte != runEnd) {
                starts.resize(kept);  // a run that does not decode back to its bytes stays whole
            }
        }
        at = end;
    }
    starts.push_back(b.size());
    return starts;
}

// What changed from one text to another, word by word as Unicode splits words.
WordChanges unicodeWordChanges(const BoxContent& before, const std::vector<std::size_t>& beforeStarts,
                               const BoxContent& after, const std::vector<std::size_t>& afterStarts) {
    if (beforeStarts.empty() || afterStarts.empty()) {
        return wordChanges(before.bytes, after.bytes);
    }
    return wordChanges(before.bytes, after.bytes, beforeStarts, afterStarts);
}

// The document positions of a pane's marks, found on its stored bytes, in the text it shows.
std::vector<std::pair<int, int>> shownPositionsOf(const BoxContent& content, const ShownText& shown,
                                                  const std::vector<ByteRange>& ranges,
                                                  const std::vector<qsizetype>& cuts) {
    return shown.stamps.empty() ? positionsOf(content, ranges, cuts)
                                : positionsOf(shown.content, toShown(ranges, shown.stamps), cuts);
}

// Where a pane opens: at its first mark in the tiddler's text (after the fields and the empty line of
// the field form) when there is one there, else at its first mark; -1 for none.
int openingPosition(const BoxContent& content, const ShownText& shown, const std::vector<ByteRange>& marks,
                    const std::vector<qsizetype>& cuts, bool fieldForm) {
    if (marks.empty()) {
        return -1;
    }
    std::size_t textStart = 0;
    if (fieldForm) {
        const std::size_t blank = content.bytes.find("\n\n"), crlf = content.bytes.find("\r\n\r\n");
        textStart = std::min(blank == std::string::npos ? blank : blank + 2,
                             crlf == std::string::npos ? crlf : crlf + 4);
    }
    const auto inText = std::find_if(marks.begin(), marks.end(),
                                     [textStart](const ByteRange& r) { return r.start >= textStart; });
    const std::vector<std::pair<int, int>> at =
        shownPositionsOf(content, shown, {inText == marks.end() ? marks.front() : *inText}, cuts);
    return at.empty() ? -1 : at.front().first;
}

// Whether the list shows a tiddler under "Needs you": both sides changed it apart, or its merged version
// deserves a second look (see toCheck); it stays there once chosen, so that the list does not move.
bool wantsLook(const PlanItem& item) {
    return item.needsYou || (item.planned == Outcome::Merged && (item.mergedBy.words || item.mergedBy.list));
}

// How the merged version came about, in words.
QString mergedWay(const MergeWay& way) {
    if (way.words && way.list) {
        return QStringLiteral("edits joined inside a line or paragraph and both lists merged, check it");
    }
    if (way.words) {
        return QStringLiteral("edits joined inside a line or paragraph, check it");
    }
    return way.list ? QStringLiteral("both sides' list merged, check it") : QString();
}

// What a side did, in the list's narrow columns, so that the titles keep the room: nothing where the
// side left the tiddler as it was, a dash where it never held it (the tooltip says it in words).
QString shortChange(SideChange c) {
    return c == SideChange::Unchanged                          ? QString()
           : c == SideChange::Absent || c == SideChange::Lacks ? QStringLiteral("—")
                                                               : QString::fromLatin1(changeName(c));
}

QPlainTextEdit* addPane(QWidget* parent, const char* name) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return box;
}

}  // namespace

// The list's rows, read from the review as they are drawn: a window over thousands of differences
// holds no item objects of its own.
class ReviewListModel : public QAbstractTableModel {
  public:
    explicit ReviewListModel(const Review& review, QObject* parent)
        : QAbstractTableModel(parent), m_review(review) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_review.items().size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 5; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const kHeaders[] = {"", "Tiddler", "Yours", "Friend's", "Outcome"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 4) {
            return {};
        }
        return QString::fromUtf8(kHeaders[section]);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const PlanItem& item = m_review.items()[static_cast<std::size_t>(index.row())];
        const bool look = wantsLook(item);
        if (role == Qt::FontRole && index.column() == 1 && look) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role == Qt::ToolTipRole) {
            switch (index.column()) {
                case 0:
                    return !look           ? QVariant()
                           : item.decided  ? QStringLiteral("Chosen by you")
                           : item.needsYou ? QStringLiteral("Both sides changed it: needs you")
                                           : QStringLiteral("Merged: ") + mergedWay(item.mergedBy);
                case 1:  // the whole title, however narrow the column
                    return fromUtf8(item.title);
                case 2:
                    return QString::fromLatin1(changeName(item.local));
                case 3:
                    return QString::fromLatin1(changeName(item.remote));
                default:
                    return {};
            }
        }
        if (role != Qt::DisplayRole) {
            return {};
        }
        switch (index.column()) {
            case 0:  // reads without colour: a dot while the tiddler needs a look, a tick once chosen
                return look ? (item.decided ? QStringLiteral("✓") : QStringLiteral("●")) : QString();
            case 1:
                return fromUtf8(item.title);
            case 2:
                return shortChange(item.local);
            case 3:
                return shortChange(item.remote);
            default:
                return toCheck(item) ? QStringLiteral("merged — check")
                                     : QString::fromUtf8(outcomeName(item));
        }
    }

    void rowChanged(std::size_t row) {
        const int r = static_cast<int>(row);
        emit dataChanged(index(r, 0), index(r, 4));
    }

  private:
    const Review& m_review;
};

namespace {

// The list's selection. Its current row is the tiddler that the panes and the buttons act on, and the
// only row selected. A move to another row is first put to `mayLeave` (the result's edit is taken, or
// refused with the reason); a refused move leaves the current row, and the highlight with it, where it
// was, whether it came from a key, a click or the window itself.
class ReviewSelection : public QItemSelectionModel {
  public:
    ReviewSelection(QAbstractItemModel* model, std::function<bool()> mayLeave, QObject* parent)
        : QItemSelectionModel(model, parent), m_mayLeave(std::move(mayLeave)) {}

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (currentIndex().isValid() && index.row() != currentIndex().row() && !m_mayLeave()) {
            return;
        }
        QItemSelectionModel::setCurrentIndex(index, command);
    }

    using QItemSelectionModel::select;
    // A click selects the row it was pressed on after it asked to move there: a row that did not
    // become current is not selected.
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
        const int row = currentIndex().row();
        const bool holdsCurrent =
            std::any_of(selection.begin(), selection.end(),
                        [row](const QItemSelectionRange& r) { return r.top() <= row && row <= r.bottom(); });
        if ((command & QItemSelectionModel::Select) && currentIndex().isValid() && !holdsCurrent) {
            return;
        }
        QItemSelectionModel::select(selection, command);
    }

  private:
    std::function<bool()> m_mayLeave;
};

}  // namespace

void frmReview::buildList(QWidget* parent) {
    auto* left = new QWidget(parent);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* filters = new QHBoxLayout;
    m_needsYou = new QRadioButton(left);
    m_needsYou->setObjectName(QStringLiteral("optNeedsYou"));
    m_all = new QRadioButton(left);
    m_all->setObjectName(QStringLiteral("optAll"));
    filters->addWidget(m_needsYou);
    filters->addWidget(m_all);
    filters->addStretch();
    leftLayout->addLayout(filters);
    m_list = new QTreeView(left);
    m_list->setObjectName(QStringLiteral("lstDifferences"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_model = new ReviewListModel(m_review, m_list);
    m_list->setModel(m_model);
    QItemSelectionModel* viewOwn = m_list->selectionModel();
    m_list->setSelectionModel(new ReviewSelection(
        m_model, [this] { return takeEdit(); }, m_list));
    delete viewOwn;
    // The columns of words as wide as their longest word; the titles take the rest, cut in the middle
    // where they are longer, so that both a namespace and a last word stay readable.
    m_list->setTextElideMode(Qt::ElideMiddle);
    const QFontMetrics metrics(m_list->font());
    const auto widest = [&metrics](std::initializer_list<const char*> words) {
        int width = 0;
        for (const char* w : words) {
            width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(w)));
        }
        return width + 16;
    };
    QHeaderView* header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->resizeSection(0, widest({"●", "✓"}));
    for (int c : {2, 3}) {
        header->resizeSection(c, widest({"edited", "deleted", "Friend's"}));
    }
    header->resizeSection(4, widest({"merged — check", "Unedited", "Deleted"}));
    leftLayout->addWidget(m_list, 1);
}

void frmReview::buildVersions(QWidget* parent) {
    // The versions side by side, the table of differing fields below them as tall as its rows.
    auto* versions = new QWidget(parent);
    auto* versionsLayout = new QVBoxLayout(versions);
    versionsLayout->setContentsMargins(0, 0, 0, 0);
    auto* panes = new QWidget(versions);
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
    m_fields = new QTableWidget(0, 4, versions);
    versionsLayout->addWidget(m_fields);
    m_fields->setObjectName(QStringLiteral("tblFields"));
    m_fields->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Yours"),
                                         QStringLiteral("Unedited"), QStringLiteral("Friend's")});
    m_fields->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_fields->verticalHeader()->hide();
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void frmReview::buildChoices(QWidget* parent) {
    auto* bottom = new QWidget(parent);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Keep:"), bottom));
    for (const OutcomeButton& b : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), bottom);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setCheckable(true);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, o = b.outcome] { choose(o); });
        m_outcomes[static_cast<std::size_t>(b.outcome)] = button;
        buttons->addWidget(button);
    }
    buttons->addStretch();
    bottomLayout->addLayout(buttons);
    m_resultHeading = new QLabel(bottom);
    m_resultHeading->setObjectName(QStringLiteral("lblResult"));
    m_resultHeading->setWordWrap(true);
    auto* headingRow = new QHBoxLayout;
    headingRow->addWidget(m_resultHeading, 1);
    // The key to the result's marks, in their own colours and lines.
    auto* key = new QLabel(
        QStringLiteral(
            "Marked: <span style=\"background:#ccdcf8;text-decoration:underline\">from yours</span> "
            "· <span style=\"background:#f8ecb0\">from the friend's</span> (dotted)"),
        bottom);
    key->setObjectName(QStringLiteral("lblResultKey"));
    headingRow->addWidget(key);
    bottomLayout->addLayout(headingRow);
    m_result = new QPlainTextEdit(bottom);
    m_result->setObjectName(QStringLiteral("txtResult"));
    m_result->setTabChangesFocus(true);
    m_resultHeading->setBuddy(m_result);
    bottomLayout->addWidget(m_result, 1);
}

QBoxLayout* frmReview::buildFooter() {
    auto* footer = new QHBoxLayout;
    footer->addWidget(new QLabel(
        QStringLiteral(
            "F7: next that needs you · Shift+F7: previous · Ctrl+S: save · Esc: close without saving"),
        this));
    footer->addStretch();
    auto* close = new QPushButton(QStringLiteral("Close without saving"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setAutoDefault(false);
    auto* saveButton = new QPushButton(QStringLiteral("&Save…"), this);
    saveButton->setObjectName(QStringLiteral("cmdSave"));
    saveButton->setToolTip(QStringLiteral("Write the merged wiki (Ctrl+S)"));
    saveButton->setAutoDefault(false);
    footer->addWidget(close);
    footer->addWidget(saveButton);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(saveButton, &QPushButton::clicked, this, &frmReview::save);
    return footer;
}

frmReview::frmReview(Review& review, bool threeFiles, QWidget* owner)
    : QDialog(owner), m_review(review), m_threeFiles(threeFiles) {
    setObjectName(QStringLiteral("frmReview"));
    setWindowTitle(QStringLiteral("Review the merge"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* layout = new QVBoxLayout(this);

    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("lblCounts"));
    QFont bold = m_counts->font();
    bold.setBold(true);
    m_counts->setFont(bold);
    layout->addWidget(m_counts);

    auto* split = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(split, 1);

    buildList(split);
    auto* right = new QSplitter(Qt::Vertical, split);
    buildVersions(right);
    buildChoices(right);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);
    // The list grows with the window, so that long titles get the room a larger window gives.
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 5);

    layout->addLayout(buildFooter());
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this), &QShortcut::activated, this,
            &frmReview::save);
    connect(new QShortcut(QKeySequence(Qt::Key_F7), this), &QShortcut::activated, this,
            [this] { nextNeedingYou(1); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7), this), &QShortcut::activated, this,
            [this] { nextNeedingYou(-1); });
    connect(m_needsYou, &QRadioButton::toggled, this, &frmReview::applyFilter);

    updateCounts();
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now) {
                const int item = now.isValid() ? now.row() : -1;
                if (item != m_current) {
                    showItem(item);  // the selection took the result's edit before it moved
                }
            });
    m_needsYou->setChecked(m_review.needingYou() > 0);
    m_all->setChecked(m_review.needingYou() == 0);
    applyFilter();
    guardAgainstStrayKeys(this);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int width = std::min(1280, screen.width() * 9 / 10);
    resize(width, std::min(800, screen.height() * 9 / 10));
    split->setSizes({width * 3 / 8, width * 5 / 8});
}

bool frmReview::showModal() {
    exec();
    return m_saved;
}

void frmReview::updateRow(std::size_t i) {
    m_model->rowChanged(i);
}

void frmReview::updateCounts() {
    m_counts->setText(fromUtf8(m_review.countsText()));
    std::size_t needing = 0;
    for (const PlanItem& item : m_review.items()) {
        needing += wantsLook(item) ? 1 : 0;
    }
    m_needsYou->setText(QStringLiteral("&Needs you (%1)").arg(m_review.needingYou() + m_review.toCheck()));
    m_needsYou->setEnabled(needing > 0);
    m_all->setText(QStringLiteral("&All (%1)").arg(m_review.items().size()));
}

void frmReview::applyFilter() {
    const bool needsYouOnly = m_needsYou->isChecked();
    int first = -1;
    for (std::size_t i = 0; i < m_review.items().size(); ++i) {
        // A tiddler once in the filter stays in it after its outcome was chosen, so that the list does
        // not move under the user.
        const bool shown = !needsYouOnly || wantsLook(m_review.items()[i]);
        m_list->setRowHidden(static_cast<int>(i), QModelIndex(), !shown);
        if (shown && first < 0) {
            first = static_cast<int>(i);
        }
    }
    const QModelIndex now = m_list->currentIndex();
    if ((!now.isValid() || m_list->isRowHidden(now.row(), QModelIndex())) && first >= 0) {
        m_list->setCurrentIndex(m_model->index(first, 0));
    }
}

void frmReview::select(std::size_t item) {
    const int row = static_cast<int>(item);
    if (m_list->isRowHidden(row, QModelIndex())) {
        m_all->setChecked(true);
    }
    m_list->setCurrentIndex(m_model->index(row, 0));
    m_list->scrollTo(m_model->index(row, 0));
}

QString frmReview::headingText(std::size_t i, Side pane) const {
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

void frmReview::fillPane(Side pane, const std::string& text) {
    const auto p = static_cast<std::size_t>(pane);
    QPlainTextEdit& box = *m_panes[p];
    QTextDocument& document = *box.document();
    m_cuts[p].clear();
    QString decoded = decodeForBox(text, m_contents[p]);
    // Stamps shown as dates; the marks are still found on the stored bytes.
    m_shown[p] = showStamps(m_contents[p], m_review.fieldForm(static_cast<std::size_t>(m_current)));
    if (!m_shown[p].stamps.empty()) {
        decoded = QString::fromUtf8(m_shown[p].content.bytes.data(),
                                    static_cast<qsizetype>(m_shown[p].content.bytes.size()));
    }
    if (text.empty()) {
        box.setPlaceholderText(
            headingText(static_cast<std::size_t>(m_current), pane).section(QStringLiteral(" — "), 1));
        return;
    }
    setBoxText(document, decoded);
    if (hasOverlongLine(document)) {
        m_cuts[p] = cutOverlongLines(document);
    }
}

void frmReview::markPanes(std::size_t i) {
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

void frmReview::openAt(QPlainTextEdit* box, int position) {
    QTextCursor at(box->document());
    at.setPosition(std::max(position, 0));
    box->setTextCursor(at);
    // Scrolled to the mark once the box has its size.
    QTimer::singleShot(0, box, [box] { box->ensureCursorVisible(); });
}

void frmReview::markResult(std::size_t i, const std::vector<qsizetype>& cuts) {
    // What the result takes from each side: its words that the other side's version lacks. Against a
    // side, a result merged from both differs only where the other side edited, so each diff stays
    // as small as the edits, however long the text.
    const BoxContent& result = m_resultContent;
    if (result.bytes.empty()) {
        return;
    }
    const std::vector<std::size_t> starts = unicodeWordStarts(result);
    const auto newAgainst = [&](Side side) {
        const auto p = static_cast<std::size_t>(side);
        return m_contents[p].bytes.empty()
                   ? std::vector<ByteRange>{{0, result.bytes.size()}}
                   : unicodeWordChanges(m_contents[p], m_starts[p], result, starts).inserted;
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

void frmReview::showItem(int item) {
    m_current = item;
    if (item < 0) {
        return;
    }
    const auto i = static_cast<std::size_t>(item);
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
        fillPane(pane, m_review.paneText(i, pane));
    }
    markPanes(i);
    for (QTextCursor& block : blocks) {
        block.endEditBlock();
    }
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
    showResult();
}

void frmReview::showResult() {
    const auto i = static_cast<std::size_t>(m_current);
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
        markResult(i, cuts);
    }
    block.endEditBlock();
    document.setUndoRedoEnabled(true);
    m_result->setReadOnly(!editable);
    m_resultHeading->setText(QStringLiteral("Result — ") + kept +
                             (editable ? QStringLiteral(" (you can edit it here)") : QString()));
    document.setModified(false);
    openAt(m_result, m_resultOpening);
}

void frmReview::choose(Outcome o) {
    if (m_current < 0) {
        return;
    }
    const auto i = static_cast<std::size_t>(m_current);
    if (!m_review.allows(i, o) || !m_review.choose(i, o)) {
        showResult();  // a button not offered keeps the outcome as it was
        return;
    }
    updateRow(i);
    updateCounts();
    showResult();
    m_list->setFocus(Qt::OtherFocusReason);  // Up and Down go on moving in the list after a choice
}

bool frmReview::takeEdit() {
    if (m_current < 0 || m_result->isReadOnly() || !m_result->document()->isModified()) {
        return true;
    }
    const auto i = static_cast<std::size_t>(m_current);
    const std::string text = encodeBoxText(readBoxText(*m_result->document()), m_resultContent);
    if (const std::optional<std::string> refusal = m_review.edit(i, text)) {
        showMessageBox(this, fromUtf8(*refusal), MessageIcon::Exclamation, fromUtf8(msg::kBoxRefusedTitle));
        m_result->setFocus(Qt::OtherFocusReason);
        return false;
    }
    updateRow(i);
    updateCounts();
    showResult();
    return true;
}

bool frmReview::choicesMade() const {
    const bool editWaiting = m_current >= 0 && !m_result->isReadOnly() && m_result->document()->isModified();
    return editWaiting || std::any_of(m_review.items().begin(), m_review.items().end(),
                                      [](const PlanItem& item) { return item.decided; });
}

void frmReview::reject() {
    if (choicesMade() && !askYesNoBox(this, QStringLiteral("Discard your choices?"),
                                      QStringLiteral("Discard Choices?"), false)) {
        return;
    }
    QDialog::reject();
}

void frmReview::nextNeedingYou(int step) {
    const auto n = static_cast<int>(m_review.items().size());
    const int from = m_current >= 0 ? m_current : (step > 0 ? -1 : n);
    for (int k = 1; k <= n; ++k) {
        const int at = ((from + step * k) % n + n) % n;
        if (wantsLook(m_review.items()[static_cast<std::size_t>(at)])) {
            select(static_cast<std::size_t>(at));
            return;
        }
    }
}

void frmReview::save() {
    if (!takeEdit()) {
        return;
    }
    if (askYesNoBox(this, fromUtf8(m_review.saveText(m_threeFiles) + ".\n\nSave now?"),
                    fromUtf8(msg::kSaveFilesTitle), true)) {
        m_saved = true;
        accept();
    }
}

}  // namespace korvane
