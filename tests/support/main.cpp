// Test entry point shared by every test executable: a Qt application object for the test run.
#include <gtest/gtest.h>

#include <QCoreApplication>
#ifdef STATUSOBJECT_TEST_GUI
#include <QApplication>
#endif

int main(int argc, char** argv) {
#ifdef STATUSOBJECT_TEST_GUI
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
