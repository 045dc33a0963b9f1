#include "ui/desktop/PasswordDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/desktop/MessageBoxes.h"

namespace korvane {

PasswordAnswer askPasswordBox(QWidget* parent, const PasswordRequest& request) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmPassword"));
    dialog.setWindowTitle(QStringLiteral("Password"));
    auto* layout = new QVBoxLayout(&dialog);
    QString text = QString::fromUtf8(request.role) + QStringLiteral(" \"") + QString::fromUtf8(request.path) +
                   QStringLiteral("\" is an encrypted TiddlyWiki.\n");
    text += request.wrongBefore ? QStringLiteral("That password does not open it. Enter its password again:")
                                : QStringLiteral("Enter its password:");
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QStringLiteral("lblPassword"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("txtPassword"));
    field->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(buttons);
    dialog.resize(480, dialog.sizeHint().height());
    field->setFocus();
    guardAgainstStrayKeys(&dialog);
    const bool given = dialog.exec() == QDialog::Accepted;
    // The text leaves the field at once; the copies made on the way are overwritten.
    QString typed = field->text();
    field->clear();
    QByteArray bytes = typed.toUtf8();
    PasswordAnswer answer;
    answer.kind = given ? PasswordAnswer::Kind::Given : PasswordAnswer::Kind::Cancelled;
    answer.password =
        Secret(given ? std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())) : "");
    bytes.fill('\0');
    typed.fill(QChar(u'\0'));
    return answer;
}

}  // namespace korvane
