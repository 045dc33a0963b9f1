// The test program of the windows: one QApplication for every test, on the offscreen platform unless
// the environment chooses another, with a settings store of its own in a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "ui/UiTestHelpers.h"
#include "ui/resources.h"

namespace korvane::test {

void clearSettings() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Korvane", "Korvane").clear();
}

}  // namespace korvane::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    korvane::initResources();
    const QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    return RUN_ALL_TESTS();
}
