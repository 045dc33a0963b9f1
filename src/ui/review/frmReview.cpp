#include "ui/review/frmReview.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "merge/Messages.h"
#include "merge/format/FormatMessages.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/review/ReviewChoices.h"
#include "ui/review/ReviewList.h"
#include "ui/review/ReviewMarks.h"
#include "ui/review/ReviewVersions.h"

namespace korvane {

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

    m_listPart = new ReviewList(
        m_review, [this] { return takeEdit(); }, split);
    auto* right = new QSplitter(Qt::Vertical, split);
    m_versions = new ReviewVersions(m_review, right);
    m_choices = new ReviewChoices(
        m_review, [this](Outcome o) { choose(o); }, right);
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

    updateCounts();
    connect(m_listPart->view()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now) {
                const int item = now.isValid() ? now.row() : -1;
                if (item != m_current) {
                    showItem(item);  // the selection took the result's edit before it moved
                }
            });
    m_listPart->open();
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

QTreeView* frmReview::list() const {
    return m_listPart->view();
}

QPlainTextEdit* frmReview::pane(Side pane) const {
    return m_versions->pane(pane);
}

QLabel* frmReview::heading(Side pane) const {
    return m_versions->heading(pane);
}

QPlainTextEdit* frmReview::result() const {
    return m_choices->result();
}

QPushButton* frmReview::outcomeButton(Outcome o) const {
    return m_choices->outcomeButton(o);
}

void frmReview::updateCounts() {
    m_counts->setText(fromUtf8(m_review.countsText()));
    m_listPart->updateCounts();
}

void frmReview::select(std::size_t item) {
    m_listPart->select(item);
}

QString frmReview::headingText(std::size_t i, Side pane) const {
    return m_versions->headingText(i, pane);
}

void frmReview::showItem(int item) {
    m_current = item;
    if (item < 0) {
        return;
    }
    const auto i = static_cast<std::size_t>(item);
    m_versions->showItem(i);
    m_choices->showItem(i, *m_versions);
}

void frmReview::choose(Outcome o) {
    if (m_current < 0) {
        return;
    }
    const auto i = static_cast<std::size_t>(m_current);
    if (!m_review.allows(i, o) || !m_review.choose(i, o)) {
        m_choices->showItem(i, *m_versions);  // a button not offered keeps the outcome as it was
        return;
    }
    m_listPart->updateRow(i);
    updateCounts();
    m_choices->showItem(i, *m_versions);
    m_listPart->view()->setFocus(
        Qt::OtherFocusReason);  // Up and Down go on moving in the list after a choice
}

bool frmReview::takeEdit() {
    if (m_current < 0 || !m_choices->editWaiting()) {
        return true;
    }
    const auto i = static_cast<std::size_t>(m_current);
    const std::string text = m_choices->editedText();
    if (const std::optional<std::string> refusal = m_review.edit(i, text)) {
        showMessageBox(this, fromUtf8(*refusal), MessageIcon::Exclamation, fromUtf8(msg::kBoxRefusedTitle));
        m_choices->result()->setFocus(Qt::OtherFocusReason);
        return false;
    }
    m_listPart->updateRow(i);
    updateCounts();
    m_choices->showItem(i, *m_versions);
    return true;
}

bool frmReview::choicesMade() const {
    const bool editWaiting = m_current >= 0 && m_choices->editWaiting();
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
