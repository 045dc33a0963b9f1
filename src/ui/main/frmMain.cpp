#include "ui/main/frmMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>

#include "merge/Messages.h"
#include "merge/run/MergeRun.h"
#include "merge/save/Backups.h"
#include "platform/FileSystem.h"
#include "ui/Twips.h"
#include "ui/about/frmAbout.h"
#include "ui/conflict/frmMerge.h"
#include "ui/desktop/LocaleTime.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/PasswordDialog.h"
#include "ui/desktop/Program.h"
#include "ui/desktop/Settings.h"
#include "ui/main/CommandLine.h"

namespace korvane {
namespace {

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The designed fonts were narrower than the platform's: a caption that would be cut off at its designed
// width is set a little smaller instead, so that it can be read whole.
void fitCaptionToWidth(QLabel* label) {
    QFont font = label->font();
    constexpr qreal kSmallest = 6.5;
    while (QFontMetrics(font).horizontalAdvance(label->text()) > label->width() &&
           font.pointSizeF() > kSmallest) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label->setFont(font);
}

// The field's path as the bytes of the file name, exactly as it came in when untouched.
std::string toPath(const QLineEdit* field) {
    return textToPath(field->text());
}

// Enter presses a focused button, as in a dialog: a button outside a dialog takes only Space unless it
// is set to act as a default.
QPushButton* addButton(QWidget* parent, const QString& text, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(true);
    return button;
}

// Lets the user pick an existing file for a path field, starting where the path remembered under `key`
// points.
void browseForFile(QWidget* owner, QLineEdit* field, const QString& key) {
    try {
        QFileDialog dialog(owner);
        dialog.setFileMode(QFileDialog::ExistingFile);
        const QString initial = rememberedPath(key);
        if (!initial.isEmpty()) {
            dialog.selectFile(initial);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return;  // cancelled: nothing changes, nothing is said
        }
        field->setText(QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath());
    } catch (const std::exception& e) {
        showMessageBox(owner, QStringLiteral("Error: ") + QString::fromLocal8Bit(e.what()),
                       MessageIcon::Exclamation, QStringLiteral("Error"));
    }
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent), m_runs(*this, *this) {
    setObjectName(QStringLiteral("frmMain"));
    setFont(designedFont());
    setFixedSize(twipsToPixels(7815), twipsToPixels(2865));

    m_local = addPathRow(0, "Label1", QStringLiteral("Your TiddlyWiki file:"), true, "txtLocalFilePath",
                         "cmdBrowseForFileLocal", QStringLiteral("local"));
    m_remote = addPathRow(1, "Label2", QStringLiteral("TiddlyWiki file edited by a friend:"), true,
                          "txtRemoteFilePath", "cmdBrowseForFileRemote", QStringLiteral("remote"));
    m_unedited =
        addPathRow(2, "Label3",
                   QStringLiteral("Unedited copy of TiddlyWiki file (version you saved just before you "
                                  "sent it to your friend):"),
                   false, "txtOriginalCopyFilePath", "cmdBrowseForFileUnedited", QStringLiteral("unedited"));

    auto* about = addButton(this, QStringLiteral("About"), "About");
    about->setIcon(QIcon(QStringLiteral(":/korvane/about16.png")));
    about->setGeometry(twipsToPixels(4800, 1920, 975, 855));
    about->setFont(designedFont(true));
    connect(about, &QPushButton::clicked, this, &frmMain::About_Click);

    auto* merge = addButton(this, QStringLiteral("Merge Files"), "cmdMergeFiles");
    merge->setIcon(QIcon(QStringLiteral(":/korvane/merge16.png")));
    merge->setGeometry(twipsToPixels(5880, 1920, 1815, 855));
    merge->setFont(designedFont(true));
    connect(merge, &QPushButton::clicked, this, &frmMain::cmdMergeFiles_Click);

    // Beside the buttons, in the space below the paths, so that no other control moves.
    m_reviewBox = new QCheckBox(QStringLiteral("&Review all differences in one window"), this);
    m_reviewBox->setObjectName(QStringLiteral("chkReview"));
    m_reviewBox->setFont(designedFont());
    m_reviewBox->setGeometry(twipsToPixels(120, 1980, 4575, 300));
    m_reviewBox->setToolTip(
        QStringLiteral("One window lists every difference and asks only about the tiddlers that both sides "
                       "changed; unticked, Merge Files asks about each difference in turn"));
    connect(m_reviewBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!isMergeTool()) {
            rememberOption(QStringLiteral("review"), on);
        }
    });

    auto* note = new QLabel(QStringLiteral("Bold fields are required."), this);
    note->setObjectName(QStringLiteral("Label4"));
    note->setGeometry(twipsToPixels(120, 2640, 4575, 255));
    note->setFont(designedFont(true));
}

QLineEdit* frmMain::addPathRow(int row, const char* labelName, const QString& caption, bool required,
                               const char* fieldName, const char* buttonName, const QString& key) {
    const double top = 120 + 600 * row;
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setFont(designedFont(required));  // bold marks a required path
    label->setGeometry(twipsToPixels(120, top, required ? 4575 : 6975, 255));
    fitCaptionToWidth(label);

    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(fieldName));
    field->setGeometry(twipsToPixels(120, top + 240, 7095, 285));
    label->setBuddy(field);
    // Enter in a path starts the merge, as Merge Files does.
    connect(field, &QLineEdit::returnPressed, this, &frmMain::cmdMergeFiles_Click);
    // Every change is remembered at once, whatever caused it.
    // Git's temporary files of a merge-tool run are never remembered.
    connect(field, &QLineEdit::textChanged, this, [this, key](const QString& text) {
        if (!isMergeTool()) {
            rememberPath(key, text);
        }
    });

    auto* browse = addButton(this, QStringLiteral("..."), buttonName);
    browse->setGeometry(twipsToPixels(7320, top + 240, 375, 285));
    browse->setToolTip(QStringLiteral("Browse"));
    connect(browse, &QPushButton::clicked, this, [this, field, key] { browseForFile(this, field, key); });
    return field;
}

void frmMain::Form_Load(const std::vector<std::string>& arguments, const std::string& startFolder) {
    setWindowTitle(QStringLiteral("Korvane %1.%2.%3")
                       .arg(KORVANE_VERSION_MAJOR)
                       .arg(KORVANE_VERSION_MINOR)
                       .arg(KORVANE_VERSION_PATCH));
    m_local->setText(rememberedPath(QStringLiteral("local")));
    m_remote->setText(rememberedPath(QStringLiteral("remote")));
    m_unedited->setText(rememberedPath(QStringLiteral("unedited")));
    m_reviewBox->setChecked(rememberedOption(QStringLiteral("review")));

    std::vector<std::string> words = arguments;
    if (takeReviewWord(words)) {
        const QSignalBlocker once(m_reviewBox);  // asked for this run, not remembered
        m_reviewBox->setChecked(true);
    }
    if (const auto paths = parseCommandLine(words, startFolder)) {
        m_output = paths->output;
        m_local->setText(pathToText(paths->local));
        m_remote->setText(pathToText(paths->remote));
        m_unedited->setText(pathToText(paths->unedited));
    }
}

void frmMain::cmdMergeFiles_Click() {
    MachineFileSystem fs;
    MergePaths paths{toPath(m_local), toPath(m_remote), toPath(m_unedited)};
    // Git hands its merge tool an empty file for the unedited copy when there is none.
    if (isMergeTool() && fs.isFile(paths.unedited) && QFileInfo(m_unedited->text()).size() == 0) {
        paths.unedited.clear();
    }
    MergeRun run(*this, fs, paths);
    if (isMergeTool()) {
        run.settings().outputPath = m_output;
    }
    run.settings().backupFolder = userBackupFolder();
    // Every outcome has been shown to the user; a run that must end the program has ended it through
    // endProgram.
    const RunResult result = reviews() ? m_runs.reviewRun(run, m_output) : m_runs.dialogRun(run, m_output);
    m_mergeToolStatus = result == RunResult::Saved ? 0 : 1;
}

bool frmMain::reviews() const {
    return isMergeTool() || m_reviewBox->isChecked();
}

void frmMain::runAsMergeTool() {
    cmdMergeFiles_Click();
    QCoreApplication::exit(m_mergeToolStatus);
}

void frmMain::About_Click() {
    frmAbout about(this);
    about.exec();
}

void frmMain::showMessage(const std::string& text, MessageIcon icon, const std::string& title) {
    showMessageBox(this, fromUtf8(text), icon, fromUtf8(title));
}

bool frmMain::ask(const Question& question) {
    if (m_runs.saveConfirmed() &&
        (question.kind == QuestionKind::SaveFiles || question.kind == QuestionKind::SaveOutput)) {
        return true;  // the review window's Save showed what the save does, and the user said Yes
    }
    return askYesNoBox(this, fromUtf8(question.text), fromUtf8(question.title), question.yesIsDefault);
}

ConflictSettlement frmMain::settleConflict(const ConflictQuestion& question) {
    return askInDialog(question, [this](const ConflictRequest& request) {
        frmMerge dialog(request, this);
        return dialog.showModal();
    });
}

PasswordAnswer frmMain::askPassword(const PasswordRequest& request) {
    return askPasswordBox(this, request);
}

void frmMain::setUneditedPath(const std::string& path) {
    m_unedited->setText(pathToText(path));
}

void frmMain::setRemotePath(const std::string& path) {
    m_remote->setText(pathToText(path));
}

std::string frmMain::presentTimeText() {
    return presentLocaleTimeText();
}

void frmMain::endProgram() {
    endProgramNow();
}

}  // namespace korvane
