#include "tools/ToolRun.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <gtest/gtest.h>

// The shell's widgets need an application object; the tests run on the offscreen platform.
int main(int argc, char** argv)
{
    // The test list is also read without the test environment (at build time).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // Caches and data the shell writes go to Qt's test folders, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    // Validation and transformation runs start the real program, built beside the tests.
    ToolRun::SetWorkerProgram(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tovi-xmleditor")));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
