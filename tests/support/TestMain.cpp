// Test main: the application object lives on the main thread for the whole
// run, as in the kiosk, so main-thread checks and queued calls behave as they
// do in production.
#include <gtest/gtest.h>
#include <QtGlobal>
#ifdef KIOSK_TEST_WIDGETS
#include <QApplication>
using TestApp = QApplication;
#else
#include <QGuiApplication>
using TestApp = QGuiApplication;
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
