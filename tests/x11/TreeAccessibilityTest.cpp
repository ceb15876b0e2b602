#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The tree as a screen reader meets it: the real editor on the X display, read over AT-SPI on
// a session bus of its own by tree_accessibility.py (pyatspi), which also presses the keys.
TEST(TreeAccessibility, RowsSayKindLevelAndStateAndChangesAreAnnounced)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X display (test.sh runs the suite under Xvfb)";
    const QString runSession = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    // Debian's own Python: pyatspi is a Debian package, not one of another interpreter.
    const QString python = QStringLiteral("/usr/bin/python3");
    if (runSession.isEmpty() || xdotool.isEmpty() || !QFileInfo::exists(python) ||
        QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import pyatspi")}) != 0)
        GTEST_SKIP()
            << "needs dbus-run-session, xdotool and python3-pyatspi (test.sh installs them)";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tree.xml"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "<?xml version=\"1.0\"?>\n<root><item a=\"1\">text<!--note--></item><other/></root>\n");
    file.close();

    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(SingleInstance::TestIsolationVariable), dir.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    script.setProcessEnvironment(environment);
    script.setProcessChannelMode(QProcess::MergedChannels);
    const QString editor =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tovi-xmleditor"));
    script.start(runSession, {QStringLiteral("--"), python,
                              QStringLiteral(TOVI_SOURCE_DIR "/tests/x11/tree_accessibility.py"),
                              editor, path});
    ASSERT_TRUE(script.waitForStarted(10000));
    const bool finished = script.waitForFinished(120000);
    if (!finished)
        script.kill();
    const QString output = QString::fromLocal8Bit(script.readAll());
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(script.exitCode(), 0) << output.toStdString();
}
