// Runs the widget and file-store tests on Qt's offscreen platform, with the user's
// configuration directory moved to a fresh temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome;
    QTemporaryDir runtimeDir;  // created private, as Qt wants XDG_RUNTIME_DIR to be
    if (!configHome.isValid() || !runtimeDir.isValid()) {
        return 1;
    }
    // Must be set before the first QSettings is made: Qt reads it once.
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
