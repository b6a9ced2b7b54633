// The application's own QApplication, so that its event handling is tested.
#include "app/gui/varnolt_application.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The windows remember their settings: every test starts from none, in a
// folder of the run's own, and the user's settings are never read or
// written.
class T_Fresh_Settings : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Folder.path());
        QSettings().clear();
    }

private:
    QTemporaryDir Folder;
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Widget tests never need a screen, also when the test list is read.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    T_Varnolt_Application application(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new T_Fresh_Settings);
    return RUN_ALL_TESTS();
}
