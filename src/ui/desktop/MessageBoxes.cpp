#include "ui/desktop/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

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

// The last key released, in any window (all windows live on the one user-interface thread).
struct KeyRelease {
    int key = 0;
    quint64 timestamp = 0;
};
KeyRelease g_lastRelease;

// Watches every key event of the application that is meant for one window (its focus widget, or the
// window itself when the key travels up to it) and drops the stray ones.
class StrayKeyGuard : public QObject {
  public:
    explicit StrayKeyGuard(QWidget* window) : QObject(window), m_window(window) {
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == m_window && type == QEvent::Show) {
            m_shown.start();
            return false;
        }
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool repeated = isRepeat(*key);
        if (type == QEvent::KeyRelease) {
            g_lastRelease = {key->key(), key->timestamp()};
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != m_window) {
            return false;
        }
        if (repeated && !isEditableBox(widget)) {
            return drop(event);
        }
        const bool pressesButtons = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                                    (key->key() == Qt::Key_Space && qobject_cast<QAbstractButton*>(widget));
        if (pressesButtons && type != QEvent::KeyRelease && !armed()) {
            return drop(event);
        }
        return false;
    }

  private:
    // A held key comes as presses marked as repeated or, from some X servers, as a release and a new
    // press at the same moment: nobody lifts a key and presses it again within a few milliseconds.
    static bool isRepeat(const QKeyEvent& key) {
        constexpr quint64 kSameMomentMs = 10;
        return key.isAutoRepeat() ||
               (key.type() != QEvent::KeyRelease && key.timestamp() != 0 && key.key() == g_lastRelease.key &&
                key.timestamp() >= g_lastRelease.timestamp &&
                key.timestamp() - g_lastRelease.timestamp <= kSameMomentMs);
    }

    // A password field counts too: a password manager types a doubled letter faster than a hand can.
    static bool isEditableBox(QWidget* widget) {
        if (const auto* line = qobject_cast<QLineEdit*>(widget)) {
            return !line->isReadOnly();
        }
        const auto* box = qobject_cast<QPlainTextEdit*>(widget);
        return box != nullptr && !box->isReadOnly();
    }

    bool armed() const { return m_shown.isValid() && m_shown.elapsed() >= kKeyboardArmDelay.count(); }

    // A dropped shortcut check counts as taken by the widget, so that no shortcut runs for the key.
    static bool drop(QEvent* event) {
        event->accept();
        return true;
    }

    QWidget* m_window;
    QElapsedTimer m_shown;
};

}  // namespace

void guardAgainstStrayKeys(QWidget* window) {
    new StrayKeyGuard(window);
}

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
    guardAgainstStrayKeys(&box);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace korvane
