#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>

// These tests start the real program in other processes on the X display of the test run.
int main(int argc, char** argv)
{
    // A GUI application only when there is a display: the tests skip themselves otherwise.
    std::unique_ptr<QCoreApplication> application;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        application = std::make_unique<QCoreApplication>(argc, argv);
    else
        application = std::make_unique<QGuiApplication>(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
