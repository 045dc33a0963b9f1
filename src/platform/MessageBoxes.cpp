#include "platform/MessageBoxes.h"

#include <QMessageBox>

namespace korvane {
namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString titleOrApplication(const QString& title) {
    return title.isEmpty() ? QString::fromLatin1(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size()))
                           : title;
}

}  // namespace

void showMessageBox(QWidget* parent, const QString& text, MessageIcon icon, const QString& title) {
    QMessageBox box(toQt(icon), titleOrApplication(title), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool askYesNoBox(QWidget* parent, const QString& text, const QString& title, bool yesIsDefault) {
    QMessageBox box(QMessageBox::Question, titleOrApplication(title), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace korvane
