#include <QApplication>
#include <gtest/gtest.h>

#include "nothing_left.h"

// Every test program runs inside a real Qt application, so the main queue works.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A test that leaves a file or a process fails the program.
    const testsupport::PrivateTemporaryFolder temporary;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    return temporary.nothing_left() ? result : 1;
}
