// Work that waits for a child on a worker thread: its end reaches the
// interface's thread, a stop ends the child, and a run dropped midway
// reports nothing.
#include "session/background_run.h"
#include "tests/slow_converter.h"
#include "engine/u_temp_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace {

// A never-ending child, run the way the converter is run.
T_Work_Result Run_Slow_Child(const std::string& program, T_Run_Watch& watch)
{
    std::string output, error;
    Run_Batch("'" + program + "'", "", "", output, error, &watch);
    return watch.Stopped ? T_Work_Result::Stop() : T_Work_Result::Made("ended");
}

class Background_Run : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    QObject context;
};

TEST_F(Background_Run, ReportsItsEndOnTheInterfaceThread)
{
    const std::thread::id interface = std::this_thread::get_id();
    std::optional<T_Work_Result> result;
    std::thread::id reported_on;
    T_Background_Run run(
        &context, [](T_Run_Watch&) { return T_Work_Result::Made("picture.png"); },
        [&](const T_Work_Result& ended) {
            result = ended;
            reported_on = std::this_thread::get_id();
        });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    EXPECT_EQ(result->File, "picture.png");
    EXPECT_EQ(reported_on, interface);
    EXPECT_TRUE(run.Finished());
}

#ifndef _WIN32
TEST_F(Background_Run, StopEndsTheChildAndDroppingARunReportsNothing)
{
    const std::string slow = test::Slow_Converter(dir);
    std::optional<T_Work_Result> result;
    QElapsedTimer clock;
    clock.start();
    {
        T_Background_Run run(
            &context, [&](T_Run_Watch& watch) { return Run_Slow_Child(slow, watch); },
            [&](const T_Work_Result& ended) { result = ended; });
        QTest::qWait(200);
        run.Stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 10000));
        EXPECT_TRUE(result->Stopped());
    }
    bool reported = false;
    {
        T_Background_Run dropped(
            &context, [&](T_Run_Watch& watch) { return Run_Slow_Child(slow, watch); },
            [&](const T_Work_Result&) { reported = true; });
        QTest::qWait(200);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(reported);
    EXPECT_LT(clock.elapsed(), 20000); // neither waited for the child's minute
}
#endif

} // namespace
