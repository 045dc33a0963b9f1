#include "ui/review/ReviewList.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/review/ReviewMarks.h"

namespace korvane {

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

namespace {

// What a side did, in the list's narrow columns, so that the titles keep the room: nothing where the
// side left the tiddler as it was, a dash where it never held it (the tooltip says it in words).
QString shortChange(SideChange c) {
    return c == SideChange::Unchanged                          ? QString()
           : c == SideChange::Absent || c == SideChange::Lacks ? QStringLiteral("—")
                                                               : QString::fromLatin1(changeName(c));
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

ReviewList::ReviewList(const Review& review, std::function<bool()> mayLeave, QWidget* parent)
    : QWidget(parent), m_review(review) {
    auto* leftLayout = new QVBoxLayout(this);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* filters = new QHBoxLayout;
    m_needsYou = new QRadioButton(this);
    m_needsYou->setObjectName(QStringLiteral("optNeedsYou"));
    m_all = new QRadioButton(this);
    m_all->setObjectName(QStringLiteral("optAll"));
    filters->addWidget(m_needsYou);
    filters->addWidget(m_all);
    filters->addStretch();
    leftLayout->addLayout(filters);
    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("lstDifferences"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_model = new ReviewListModel(m_review, m_list);
    m_list->setModel(m_model);
    QItemSelectionModel* viewOwn = m_list->selectionModel();
    m_list->setSelectionModel(new ReviewSelection(m_model, std::move(mayLeave), m_list));
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
    connect(m_needsYou, &QRadioButton::toggled, this, &ReviewList::applyFilter);
}

void ReviewList::open() {
    m_needsYou->setChecked(m_review.needingYou() > 0);
    m_all->setChecked(m_review.needingYou() == 0);
    applyFilter();
}

void ReviewList::updateRow(std::size_t i) {
    m_model->rowChanged(i);
}

void ReviewList::updateCounts() {
    std::size_t needing = 0;
    for (const PlanItem& item : m_review.items()) {
        needing += wantsLook(item) ? 1 : 0;
    }
    m_needsYou->setText(QStringLiteral("&Needs you (%1)").arg(m_review.needingYou() + m_review.toCheck()));
    m_needsYou->setEnabled(needing > 0);
    m_all->setText(QStringLiteral("&All (%1)").arg(m_review.items().size()));
}

void ReviewList::applyFilter() {
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

void ReviewList::select(std::size_t item) {
    const int row = static_cast<int>(item);
    if (m_list->isRowHidden(row, QModelIndex())) {
        m_all->setChecked(true);
    }
    m_list->setCurrentIndex(m_model->index(row, 0));
    m_list->scrollTo(m_model->index(row, 0));
}

}  // namespace korvane
