// Helpers of the window tests: answering modal windows from a timer while the code under test waits
// in them, and a settings folder of the tests' own.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <functional>

#include "support/TestSupport.h"

namespace korvane::test {

// While alive, looks every few milliseconds for a modal window and hands it to `answer`, which closes it
// (the same window is never handed over twice in a row while it stays open).
class ModalResponder {
  public:
    explicit ModalResponder(std::function<void(QWidget*)> answer) : m_answer(std::move(answer)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->isVisible() && !m_busy) {
                m_busy = true;
                m_answer(modal);
                m_busy = false;
            }
        });
        m_timer.start(5);
    }

  private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
    bool m_busy = false;
};

// Clicks the message box's button of the given role and returns its text, title and icon.
struct SeenBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

inline SeenBox answerBox(QMessageBox* box, QMessageBox::StandardButton button) {
    SeenBox seen{box->text(), box->windowTitle(), box->icon()};
    box->button(button)->click();
    return seen;
}

// The settings store of the tests: a file in the folder UiTestMain names, on Windows an INI file there
// in place of the registry.
inline constexpr QSettings::Format kSettingsFormat =
    kOnWindows ? QSettings::IniFormat : QSettings::NativeFormat;

// Removes every remembered path, so each test starts from an empty settings store.
inline void clearSettings() {
    QSettings(kSettingsFormat, QSettings::UserScope, "Korvane", "Korvane").clear();
}

}  // namespace korvane::test
