// Qt window tests: one QApplication for the whole binary, then GoogleTest.
// The windows are never shown on the user's screen: offscreen unless the
// caller chose a platform (ctest lists the tests without its environment).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
