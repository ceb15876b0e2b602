#include <QApplication>
#include <gtest/gtest.h>

// The view tests need a QApplication (widgets, the clipboard) for the whole run. Test
// discovery runs this program at build time without the test environment, so fall back to
// the offscreen platform rather than fail on a missing display.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
