// Qt offscreen tests of Pictavo's windows: a QApplication, then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

#include "pictavo/catalogue/metadata.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pictavo::InitializeMetadata();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
