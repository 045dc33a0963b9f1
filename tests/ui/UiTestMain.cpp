// The test program of the windows: one QApplication for every test, on the offscreen platform unless
// the environment chooses another, with a settings store of its own in a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <optional>

#include "ui/desktop/Settings.h"
#include "ui/resources.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    // A death test's child process ends at once, without removing anything: it keeps its settings and
    // the toolkit's runtime files in the folder of the process that started it, which removes the
    // folder at its end.
    std::optional<QTemporaryDir> own;
    if (qEnvironmentVariableIsEmpty("KORVANE_TEST_SETTINGS")) {
        qputenv("KORVANE_TEST_SETTINGS", own.emplace().path().toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", qgetenv("KORVANE_TEST_SETTINGS"));
    }
    QApplication app(argc, argv);
    korvane::initResources();
    // The program's own way to a settings folder (on Windows a file there instead of the registry).
    qputenv("KORVANE_CONFIG_DIR", qgetenv("KORVANE_TEST_SETTINGS"));
    korvane::useConfiguredSettingsFolder();
    return RUN_ALL_TESTS();
}
