#include "tools/ToolRun.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

// Runs start the real program as their worker; it is built beside the test programs.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ToolRun::SetWorkerProgram(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tovi-xmleditor")));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
