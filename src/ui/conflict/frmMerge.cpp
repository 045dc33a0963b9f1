#include "ui/conflict/frmMerge.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>

#include "merge/Messages.h"
#include "ui/Twips.h"
#include "ui/conflict/DiffMarking.h"
#include "ui/conflict/WrappingButton.h"
#include "ui/desktop/MessageBoxes.h"

namespace korvane {
namespace {

QRect toPixels(const TwipRect& r) {
    return twipsToPixels(r.left, r.top, r.width, r.height);
}

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

// Shown on the window's background, as the platform shows text that cannot be edited.
void showReadOnly(QPlainTextEdit& box) {
    box.setReadOnly(true);
    QPalette palette = box.palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box.setPalette(palette);
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

// The boxes from top to bottom, which is also their Tab order.
constexpr DialogBox kBoxes[] = {DialogBox::Local, DialogBox::Original, DialogBox::Server,
                                DialogBox::Conflict1, DialogBox::Conflict2};

MergeControl controlOf(DialogButton which) {
    switch (which) {
        case DialogButton::Local:
            return MergeControl::cmdLocal;
        case DialogButton::Original:
            return MergeControl::cmdOriginal;
        case DialogButton::Server:
            return MergeControl::cmdServer;
        case DialogButton::Backup:
            break;
    }
    return MergeControl::cmdBackup;
}

MergeControl controlOf(DialogBox which) {
    switch (which) {
        case DialogBox::Local:
            return MergeControl::txtLocal;
        case DialogBox::Original:
            return MergeControl::txtOriginal;
        case DialogBox::Server:
            return MergeControl::txtServer;
        case DialogBox::Conflict1:
            return MergeControl::txtConflict1;
        case DialogBox::Conflict2:
            break;
    }
    return MergeControl::txtConflict2;
}

QString nameOf(MergeControl c) {
    return QString::fromLatin1(controlName(c).data());
}

// The order in which boxes are filled and written back.
constexpr DialogBox kExchangeOrder[] = {DialogBox::Conflict1, DialogBox::Conflict2, DialogBox::Local,
                                        DialogBox::Original, DialogBox::Server};

}  // namespace

frmMerge::frmMerge(ConflictRequest request, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmMerge"));
    setWindowTitle(QStringLiteral("Merge"));
    setFont(designedFont(false));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(false);

    const std::pair<DialogButton, const char*> captions[] = {
        {DialogButton::Local, "<< Use your version"},
        {DialogButton::Original, "<< Use original (unedited) version"},
        {DialogButton::Server, "<< Use edited version"},
        {DialogButton::Backup, "<< Backup and link conflicts"},
    };
    for (const auto& [which, caption] : captions) {
        auto* b = new WrappingButton(QString::fromLatin1(caption), this);
        b->setObjectName(nameOf(controlOf(which)));
        connect(b, &QPushButton::clicked, this, [this, w = which] { choose(w); });
        m_buttons[static_cast<std::size_t>(which)] = b;
    }
    button(DialogButton::Backup)->setDefault(true);
    // The Tab order is the order of creation: the four buttons, then the five boxes from top to bottom.

    m_note = new QLabel(QStringLiteral("Note: Bold button is recommended."), this);
    m_note->setObjectName(QStringLiteral("Label1"));
    m_note->setFont(designedFont(true));
    m_note->setWordWrap(true);
    m_note->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    for (DialogBox which : kBoxes) {
        auto* box = new QPlainTextEdit(this);
        box->setObjectName(nameOf(controlOf(which)));
        box->setFont(designedFont(false));
        box->setTabChangesFocus(true);
        // A scroll bar that came and went would narrow the box and lay a large text out a second time.
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_boxes[static_cast<std::size_t>(which)] = box;
    }

    m_design = designedMergeLayout();
    m_geometry = m_design.geometry;
    setMinimumSize(twipsToPixels(m_design.clientWidth), twipsToPixels(m_design.clientHeight));
    resize(minimumSize());
    applyLayout();
    guardAgainstStrayKeys(this);
    applyRequest(request);
    m_texts = std::move(request.texts);
    m_checkBox = std::move(request.checkBox);
    m_fieldForm = request.fieldForm;
    m_takenBack = std::move(request.takenBackBoxes);
}

void frmMerge::applyRequest(const ConflictRequest& request) {
    setWindowTitle(QString::fromUtf8(request.caption.data(), static_cast<qsizetype>(request.caption.size())));
    for (DialogButton which : kDialogButtons) {
        button(which)->setEnabled(request.isEnabled(which));
    }
    if (request.boldButton) {
        QPushButton* b = button(*request.boldButton);
        QFont font = b->font();
        font.setBold(true);
        b->setFont(font);
    }
    for (DialogBox which : kBoxes) {
        QPlainTextEdit* b = box(which);
        if (request.isSetAside(which)) {
            b->setFocusPolicy(Qt::ClickFocus);
        }
        if (!request.isTakenBack(which)) {
            showReadOnly(*b);
        }
    }
}

ConflictAnswer frmMerge::showModal() {
    placeOverOwner();
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
    // Closed without a choice, the texts are empty: the boxes took them over when they were filled.
    return {m_choice, std::move(m_texts)};
}

std::string frmMerge::strChoice() const {
    return m_choice ? std::string(1, choiceCode(*m_choice)) : std::string();
}

void frmMerge::placeOverOwner() {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const bool overOwner = owner != nullptr && owner->isVisible();
    const QScreen* screen = overOwner ? owner->screen() : QGuiApplication::primaryScreen();
    // The dialog's frame is not known before it is shown: the owner's, drawn by the same window
    // manager, stands in for it.
    const QMargins frame = overOwner ? QMargins(owner->geometry().left() - owner->frameGeometry().left(),
                                                owner->geometry().top() - owner->frameGeometry().top(),
                                                owner->frameGeometry().right() - owner->geometry().right(),
                                                owner->frameGeometry().bottom() - owner->geometry().bottom())
                                     : QMargins();
    QRect outer = QRect(QPoint(0, 0), minimumSize()).marginsAdded(frame);
    if (screen != nullptr) {
        const QRect available = screen->availableGeometry();
        outer.moveCenter(overOwner ? owner->frameGeometry().center() : available.center());
        const ScreenRect placed =
            keepOnScreen({outer.left(), outer.top(), outer.width(), outer.height()},
                         {available.left(), available.top(), available.width(), available.height()});
        outer.moveTopLeft(QPoint(placed.left, placed.top));
    }
    setGeometry(outer.marginsRemoved(frame));
}

void frmMerge::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_filled) {
        m_filled = true;
        fillBoxes();
        setInitialFocus();
    }
}

void frmMerge::fillBoxes() {
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

void frmMerge::setInitialFocus() {
    for (DialogButton which :
         {DialogButton::Backup, DialogButton::Local, DialogButton::Original, DialogButton::Server}) {
        QPushButton* b = button(which);
        if (b->isEnabled() && b->font().bold()) {
            b->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void frmMerge::markDifferencesInBoxes() {
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

bool frmMerge::acceptsEdits(DialogButton which) {
    if (!m_checkBox) {
        return true;
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
        const std::string refusal = m_checkBox(encodeBoxText(readBoxText(document), m_contents[i]));
        if (!refusal.empty()) {
            showMessageBox(this, QString::fromStdString(refusal), MessageIcon::Exclamation,
                           QString::fromUtf8(msg::kBoxRefusedTitle.data(),
                                             static_cast<qsizetype>(msg::kBoxRefusedTitle.size())));
            m_boxes[i]->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

void frmMerge::choose(DialogButton which) {
    if (!acceptsEdits(which)) {
        return;  // the dialog stays open with the user's text as it was
    }
    m_choice = which;
    for (DialogBox b : kExchangeOrder) {
        const auto i = static_cast<std::size_t>(b);
        const QTextDocument& document = *m_boxes[i]->document();
        m_texts.of(b) = document.isModified() ? encodeBoxText(readBoxText(document), m_contents[i])
                                              : std::move(m_contents[i].bytes);
    }
    accept();
}

// The window's close command closes the dialog with no choice (the dialog's own handling would go
// through reject, which does nothing here).
void frmMerge::closeEvent(QCloseEvent* event) {
    event->accept();
}

// The dialog has no cancel button: Escape does nothing.
void frmMerge::reject() {}

void frmMerge::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    applyLayout();
}

void frmMerge::applyLayout() {
    if (isMinimized()) {
        return;
    }
    const LayoutOutcome outcome = layoutPass(m_design, static_cast<float>(width() * kTwipsPerPixel),
                                             static_cast<float>(height() * kTwipsPerPixel));
    if (outcome.correctedClient) {
        // The resize raises its own notification, whose pass lays the controls out.
        resize(twipsToPixels((*outcome.correctedClient)[0]), twipsToPixels((*outcome.correctedClient)[1]));
        return;
    }
    if (!outcome.geometry) {
        return;
    }
    m_geometry = *outcome.geometry;
    for (DialogButton which : kDialogButtons) {
        button(which)->setGeometry(toPixels(m_geometry[controlOf(which)]));
    }
    m_note->setGeometry(toPixels(m_geometry[MergeControl::Label1]));
    for (DialogBox which : kBoxes) {
        box(which)->setGeometry(toPixels(m_geometry[controlOf(which)]));
    }
    update();
}

void frmMerge::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    for (const TwipLine& l : {m_geometry.line1, m_geometry.line2}) {
        painter.drawLine(QPointF(l.x1 / kTwipsPerPixel, l.y1 / kTwipsPerPixel),
                         QPointF(l.x2 / kTwipsPerPixel, l.y2 / kTwipsPerPixel));
    }
}

}  // namespace korvane
