#include "ui/conflict/frmMerge.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>

#include "merge/BoxForm.h"
#include "merge/MergePlan.h"
#include "ui/Twips.h"
#include "ui/conflict/DiffMarking.h"
#include "ui/conflict/WrappingButton.h"
#include "ui/desktop/MessageBoxes.h"

namespace korvane {
namespace {

QRect toPixels(const TwipRect& r) {
    return twipsToPixels(r.left, r.top, r.width, r.height);
}

void applyBold(QTextDocument& document, const std::vector<BoldRange>& ranges) {
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (const BoldRange& r : ranges) {
        cursor.setPosition(static_cast<int>(r.start));
        cursor.setPosition(static_cast<int>(r.end), QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(bold);
    }
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

}  // namespace

frmMerge::frmMerge(QWidget* owner) : QDialog(owner) {
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
    const char* const choiceCodes[] = {"l", "o", "s", "b"};
    for (const auto& [which, caption] : captions) {
        auto* b = new WrappingButton(QString::fromLatin1(caption), this);
        const auto i = static_cast<std::size_t>(which);
        b->setObjectName(QString::fromLatin1(controlName(static_cast<MergeControl>(i)).data()));
        connect(b, &QPushButton::clicked, this, [this, code = choiceCodes[i]] { choose(code); });
        m_buttons[i] = b;
    }
    button(DialogButton::Backup)->setDefault(true);

    m_note = new QLabel(QStringLiteral("Note: Bold button is recommended."), this);
    m_note->setObjectName(QStringLiteral("Label1"));
    m_note->setFont(designedFont(true));
    m_note->setWordWrap(true);
    m_note->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        auto* box = new QPlainTextEdit(this);
        box->setObjectName(QString::fromLatin1(controlName(static_cast<MergeControl>(i + 5)).data()));
        box->setFont(designedFont(false));
        box->setTabChangesFocus(true);
        // A scroll bar that came and went would narrow the box and lay a large text out a second time.
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_boxes[i] = box;
    }

    // Tab order: the four buttons, then the five boxes from top to bottom.
    QWidget* previous = m_buttons[0];
    for (QWidget* w : {static_cast<QWidget*>(m_buttons[1]), static_cast<QWidget*>(m_buttons[2]),
                       static_cast<QWidget*>(m_buttons[3]), static_cast<QWidget*>(m_boxes[0]),
                       static_cast<QWidget*>(m_boxes[1]), static_cast<QWidget*>(m_boxes[2]),
                       static_cast<QWidget*>(m_boxes[3]), static_cast<QWidget*>(m_boxes[4])}) {
        setTabOrder(previous, w);
        previous = w;
    }

    m_design = designedMergeLayout();
    m_geometry = m_design.geometry;
    setMinimumSize(twipsToPixels(m_design.clientWidth), twipsToPixels(m_design.clientHeight));
    resize(minimumSize());
    applyLayout();
    guardAgainstStrayKeys(this);
}

void frmMerge::setBold(DialogButton which) {
    QPushButton* b = button(which);
    QFont font = b->font();
    font.setBold(true);
    b->setFont(font);
}

void frmMerge::setAside(DialogBox which) {
    box(which)->setFocusPolicy(Qt::ClickFocus);
}

void frmMerge::makeReadOnly(DialogBox which) {
    QPlainTextEdit* b = box(which);
    b->setReadOnly(true);
    // Shown on the window's background, as the platform shows text that cannot be edited.
    QPalette palette = b->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    b->setPalette(palette);
}

std::string& frmMerge::field(DialogBox which) {
    switch (which) {
        case DialogBox::Local:
            return strLocal;
        case DialogBox::Original:
            return strOriginal;
        case DialogBox::Server:
            return strServer;
        case DialogBox::Conflict1:
            return strConflict1;
        case DialogBox::Conflict2:
            break;
    }
    return strConflict2;
}

// The order in which boxes are filled and written back.
constexpr DialogBox kExchangeOrder[] = {DialogBox::Conflict1, DialogBox::Conflict2, DialogBox::Local,
                                        DialogBox::Original, DialogBox::Server};

void frmMerge::showModal() {
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
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
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
        const QString text = decodeForBox(toBoxForm(field(which)), content);
        // The field is written anew on closing; until then the box and its content hold the text.
        std::string().swap(field(which));
        b.setWordWrapMode(hasLongWord(text) ? QTextOption::WrapAnywhere
                                            : QTextOption::WrapAtWordBoundaryOrAnywhere);
        b.document()->setUndoRedoEnabled(false);  // filling and marking are not edits to undo
        blocks[i] = QTextCursor(b.document());
        blocks[i].beginEditBlock();
        setBoxText(*b.document(), text);
    }
    markDifferencesInBoxes(*box(DialogBox::Local)->document(), *box(DialogBox::Server)->document());
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        blocks[i].endEditBlock();
        // From here on the document counts as modified exactly while its text differs from the filling
        // (an edit undone again counts as unchanged).
        m_boxes[i]->document()->setModified(false);
        m_boxes[i]->document()->setUndoRedoEnabled(true);
        m_boxes[i]->moveCursor(QTextCursor::Start);  // filling moved the insertion point to the end
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

void frmMerge::markDifferencesInBoxes(QTextDocument& local, QTextDocument& server) {
    // The document's raw text counts one character per line break, as the text cursor does.
    const QString localText = local.toRawText();
    const QString serverText = server.toRawText();
    const DiffMarks marks = markDifferences(chars(localText), chars(serverText));
    applyBold(local, marks.local);
    applyBold(server, marks.server);
}

void frmMerge::choose(const char* code) {
    strChoice = code;
    writeBack();
    accept();
}

void frmMerge::writeBack() {
    for (DialogBox which : kExchangeOrder) {
        const auto i = static_cast<std::size_t>(which);
        const QTextDocument& document = *m_boxes[i]->document();
        field(which) = document.isModified() ? encodeBoxText(readBoxText(document), m_contents[i])
                                             : std::move(m_contents[i].bytes);
    }
}

// Closing the window without a button leaves the choice empty: the merge run then abandons the whole
// merge and ends the program, so no file is written.
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
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->setGeometry(toPixels(m_geometry.controls[i]));
    }
    m_note->setGeometry(toPixels(m_geometry[MergeControl::Label1]));
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        m_boxes[i]->setGeometry(toPixels(m_geometry.controls[i + 5]));
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

ConflictAnswer frmMerge::settle(const ConflictRequest& request, QWidget* owner) {
    frmMerge dialog(owner);
    dialog.strLocal = request.texts.strLocal;
    dialog.strOriginal = request.texts.strOriginal;
    dialog.strServer = request.texts.strServer;
    dialog.strConflict1 = request.texts.strConflict1;
    dialog.strConflict2 = request.texts.strConflict2;
    dialog.setWindowTitle(
        QString::fromUtf8(request.caption.data(), static_cast<qsizetype>(request.caption.size())));
    for (DialogButton b :
         {DialogButton::Local, DialogButton::Original, DialogButton::Server, DialogButton::Backup}) {
        dialog.button(b)->setEnabled(request.isEnabled(b));
        if (request.boldButton == b) {
            dialog.setBold(b);
        }
    }
    for (DialogBox b : kExchangeOrder) {
        if (request.isSetAside(b)) {
            dialog.setAside(b);
        }
        if (!request.isTakenBack(b)) {
            dialog.makeReadOnly(b);
        }
    }
    dialog.showModal();
    std::optional<DialogButton> choice;
    for (DialogButton b :
         {DialogButton::Local, DialogButton::Original, DialogButton::Server, DialogButton::Backup}) {
        if (dialog.strChoice == std::string(1, choiceCode(b))) {
            choice = b;
        }
    }
    return {choice,
            {std::move(dialog.strLocal), std::move(dialog.strOriginal), std::move(dialog.strServer),
             std::move(dialog.strConflict1), std::move(dialog.strConflict2)}};
}

}  // namespace korvane
