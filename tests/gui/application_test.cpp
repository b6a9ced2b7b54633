#include "tests/test_support.h"
#include "app/gui/varnolt_application.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

// An exception thrown by an event handler is reported and the event loop
// keeps running.
TEST(Application, ReportsAnEscapedExceptionAndKeepsRunning)
{
    auto* application = dynamic_cast<T_Varnolt_Application*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);
    test::Msg_Recorder messages;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked,
                     [] { throw std::runtime_error("disk on fire"); });
    QTest::mouseClick(&button, Qt::LeftButton);

    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Kind, T_Msg_Kind::Stop);
    EXPECT_EQ(messages.Messages[0].Text, "disk on fire");

    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QTRY_VERIFY_WITH_TIMEOUT(later, 2000);
}
