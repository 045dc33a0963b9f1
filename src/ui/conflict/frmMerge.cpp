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
#include "merge/format/FormatMessages.h"
#include "ui/Twips.h"
#include "ui/conflict/DialogBoxes.h"
#include "ui/conflict/WrappingButton.h"
#include "ui/desktop/MessageBoxes.h"

namespace korvane {
namespace {

QRect toPixels(const TwipRect& r) {
    return twipsToPixels(r.left, r.top, r.width, r.height);
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
        m_boxes[which] = box;
    }

    m_design = designedMergeLayout();
    m_geometry = m_design.geometry;
    setMinimumSize(twipsToPixels(m_design.clientWidth), twipsToPixels(m_design.clientHeight));
    resize(minimumSize());
    applyLayout();
    guardAgainstStrayKeys(this);
    applyRequest(request);
    m_boxes.take(request);
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
    return {m_choice, std::move(m_boxes.texts())};
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
        m_boxes.fill();
        setInitialFocus();
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

bool frmMerge::acceptsEdits(DialogButton which) {
    const std::optional<std::pair<DialogBox, std::string>> refused = m_boxes.refusedEdit(which);
    if (!refused) {
        return true;
    }
    showMessageBox(this, QString::fromStdString(refused->second), MessageIcon::Exclamation,
                   QString::fromUtf8(msg::kBoxRefusedTitle.data(),
                                     static_cast<qsizetype>(msg::kBoxRefusedTitle.size())));
    box(refused->first)->setFocus(Qt::OtherFocusReason);
    return false;
}

void frmMerge::choose(DialogButton which) {
    if (!acceptsEdits(which)) {
        return;  // the dialog stays open with the user's text as it was
    }
    m_choice = which;
    m_boxes.readBack();
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
