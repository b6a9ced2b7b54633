// The application's own QApplication, so that its event handling is tested.
#include "varnolt_application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Widget tests never need a screen, also when the test list is read.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    T_Varnolt_Application application(argc, argv);
    return RUN_ALL_TESTS();
}
