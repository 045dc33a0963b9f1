#include "ui/about/frmAbout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

#include "ui/Twips.h"
#include "ui/desktop/Launch.h"
#include "ui/desktop/MessageBoxes.h"

namespace korvane {
namespace {

const char* const kDescription =
    "A program for merging together TiddlyWiki files so that multiple people can edit the same file.";

template <typename W>
W* place(QWidget* parent, const char* name, double left, double top, double width, double height) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(twipsToPixels(left, top, width, height));
    return w;
}

}  // namespace

QString projectWebsite() {
    return QStringLiteral(KORVANE_WEBSITE);
}

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setFont(designedFont());
    setFixedSize(twipsToPixels(7440), twipsToPixels(3165));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* picture = place<QLabel>(this, "Picture1", 360, 240, 3015, 1575);
    picture->setPixmap(QPixmap(QStringLiteral(":/korvane/logo.png")));
    picture->setAlignment(Qt::AlignCenter);

    auto* title = place<QLabel>(this, "lblTitle", 3450, 240, 3885, 480);
    QFont titleFont = designedFont(true);
    titleFont.setPointSizeF(15);
    title->setFont(titleFont);
    place<QLabel>(this, "lblVersion", 3450, 780, 3885, 225);
    auto* description = place<QLabel>(this, "lblDescription", 3450, 1125, 3885, 1170);
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // A tagline under the name in the logo.
    auto* text1 = place<QLineEdit>(this, "Text1", 1800, 1440, 1335, 375);
    text1->setText(QStringLiteral("merge"));
    text1->setReadOnly(true);
    text1->setFrame(false);
    text1->setFocusPolicy(Qt::NoFocus);
    text1->setAlignment(Qt::AlignCenter);
    text1->setStyleSheet(QStringLiteral("background: transparent; color: #4a6b8a;"));

    auto* website = place<QPushButton>(this, "OpenWebsite", 120, 2640, 3060, 345);
    const QUrl address(projectWebsite());
    website->setText(address.host() + (address.path() == QLatin1String("/") ? QString() : address.path()));
    website->setToolTip(projectWebsite());
    connect(website, &QPushButton::clicked, this, &frmAbout::OpenWebsite_Click);

    auto* sysInfo = place<QPushButton>(this, "cmdSysInfo", 3360, 2640, 1245, 345);
    sysInfo->setText(QStringLiteral("&System Info..."));
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto* ok = place<QPushButton>(this, "cmdOK", 6045, 2625, 1260, 345);
    ok->setText(QStringLiteral("OK"));
    // Enter presses OK unless another button has the focus (a dialog's buttons act as defaults while
    // focused); Escape closes the box as well.
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Tab order: OK, System Info, then the web page.
    setTabOrder(ok, sysInfo);
    setTabOrder(sysInfo, website);
    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About Korvane"));
    findChild<QLabel*>(QStringLiteral("lblVersion"))
        ->setText(QStringLiteral("Version %1.%2.%3")
                      .arg(KORVANE_VERSION_MAJOR)
                      .arg(KORVANE_VERSION_MINOR)
                      .arg(KORVANE_VERSION_PATCH));
    findChild<QLabel*>(QStringLiteral("lblTitle"))->setText(QStringLiteral("Korvane"));
    findChild<QLabel*>(QStringLiteral("lblDescription"))->setText(QString::fromLatin1(kDescription));
}

void frmAbout::OpenWebsite_Click() {
    openWebPage(projectWebsite());
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    if (!startSystemInfo()) {
        showMessageBox(this, QStringLiteral("System Information Is Unavailable At This Time"),
                       MessageIcon::None);
    }
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The separator above the buttons: a gray line with a white one just below it.
    QPainter painter(this);
    painter.fillRect(QRect(QPoint(twipsToPixels(90), twipsToPixels(2445)),
                           QPoint(twipsToPixels(7320), twipsToPixels(2445))),
                     QColor(128, 128, 128));
    painter.fillRect(twipsToPixels(105, 2460, 7095, 30), Qt::white);
}

}  // namespace korvane
