// One comparison after another: what a closed window asks for is opened
// through the same classification as the command line's pair.
#include "tests/app/launch_record.h"
#include "app/pair_sequence.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

using T_Kind = T_Pair_Request::T_Kind;

class Diff_Pair_Sequence : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        for (const char* name : {"a.png", "b.png", "c.png"})
            test::Write_File(user / name, "");
        hooks = record.Hooks();
        // Each window shown asks for the next scripted request as it closes.
        hooks.Take_Pair_Request = [this] {
            if (requests.empty())
                return T_Pair_Request{};
            T_Pair_Request next = requests.front();
            requests.pop_front();
            return next;
        };
        hooks.Pair_Opening = [this](const std::string& left, const std::string& right) {
            announced.push_back(left + "|" + right);
        };
        hooks.Remember_Pair = [this](const std::string& left, const std::string& right) {
            remembered.push_back(left + "|" + right);
        };
    }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir user;
    test::Msg_Recorder messages;
    Launch_Record record;
    T_Launch_Hooks hooks;
    std::deque<T_Pair_Request> requests;
    std::vector<std::string> announced;
    std::vector<std::string> remembered;
};

} // namespace

TEST_F(Diff_Pair_Sequence, SwappingExchangesTheFilesAndTheirTitlesAndTwiceRestoresThem)
{
    const std::string a = user / "a.png", b = user / "b.png";
    requests = {{T_Kind::Swap, {}, {}}, {T_Kind::Swap, {}, {}}};
    EXPECT_EQ(Run_Diff_Sequence(a, b, hooks), T_Diff_Result::Shown);
    // The default captions: the role on the left, the file on the right.
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"diff:Base version|", "diff:Base version|",
                                                      "diff:Base version|"}));
    EXPECT_EQ(announced, (std::vector<std::string>{a + "|" + b, b + "|" + a, a + "|" + b}));
    EXPECT_EQ(record.Left, a);
    EXPECT_EQ(record.Right, b);

    // Titles a version-control client gave name their versions.
    record.Calls.clear();
    announced.clear();
    hooks.Left_Title = "a.png (HEAD)";
    hooks.Right_Title = "a.png (working copy)";
    requests = {{T_Kind::Swap, {}, {}}};
    Run_Diff_Sequence(a, b, hooks);
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"diff:a.png (HEAD)|a.png (working copy)",
                                                      "diff:a.png (working copy)|a.png (HEAD)"}));
    EXPECT_EQ(record.Left, b);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Pair_Sequence, ReloadAndOpenGoThroughTheLaunchersChecks)
{
    const std::string a = user / "a.png", b = user / "b.png", c = user / "c.png";
    hooks.Left_Title = "old";
    requests = {{T_Kind::Reload, {}, {}}, {T_Kind::Open, c, a}};
    Run_Diff_Sequence(a, b, hooks);
    // Reload keeps the titles; another pair gets the default captions.
    EXPECT_EQ(record.Calls,
              (std::vector<std::string>{"diff:old|", "diff:old|", "diff:Base version|"}));
    EXPECT_EQ(record.Left, c);
    EXPECT_EQ(record.Right, a);
    // Every pair shown is remembered, with absolute names.
    EXPECT_EQ(remembered, (std::vector<std::string>{a + "|" + b, a + "|" + b, c + "|" + a}));
}

TEST_F(Diff_Pair_Sequence, ARefusedPairSaysWhyAndTheLastPairShownOpensAgain)
{
    const std::string a = user / "a.png", b = user / "b.png";
    test::Write_File(user / "notes.txt", "");
    requests = {{T_Kind::Open, a, user / "notes.txt"}, {T_Kind::Open, a, user / "gone.png"}};
    EXPECT_EQ(Run_Diff_Sequence(a, b, hooks), T_Diff_Result::Shown);
    // The unsupported kind says so as on the command line (About box and
    // all); the missing file names itself; each time a, b comes back.
    ASSERT_EQ(messages.Messages.size(), 2u);
    EXPECT_EQ(messages.Messages[0].Text,
              "File format is not supported!\r\n" + (user / "notes.txt"));
    EXPECT_EQ(messages.Messages[1].Text, "File not found!\r\n" + (user / "gone.png"));
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"diff:Base version|", "about",
                                                      "diff:Base version|", "diff:Base version|"}));
    EXPECT_EQ(record.Left, a);
    EXPECT_EQ(record.Right, b);
    EXPECT_EQ(remembered.size(), 3u);
}

TEST_F(Diff_Pair_Sequence, AReloadOfAPairThatHasGoneEndsWithoutLooping)
{
    const std::string a = user / "a.png", b = user / "b.png";
    hooks.Take_Pair_Request = [&] {
        std::filesystem::remove(b);
        return T_Pair_Request{T_Kind::Reload, {}, {}};
    };
    EXPECT_EQ(Run_Diff_Sequence(a, b, hooks), T_Diff_Result::Failed);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(record.Calls.size(), 1u);
}

TEST_F(Diff_Pair_Sequence, AVersionControlRunIsNotRemembered)
{
    hooks.Version_Control_Viewer = true;
    requests = {{T_Kind::Swap, {}, {}}};
    Run_Diff_Sequence(user / "a.png", user / "b.png", hooks);
    EXPECT_EQ(record.Calls.size(), 2u);
    EXPECT_TRUE(remembered.empty());
    // The null device stands for a version and is passed on as it is.
    hooks.Version_Control_Viewer = false;
    Run_Diff_Sequence("/dev/null", user / "a.png", hooks);
    EXPECT_EQ(remembered, (std::vector<std::string>{"/dev/null|" + (user / "a.png")}));
}

TEST_F(Diff_Pair_Sequence, AWindowThatCouldNotReadAVersionEndsAsAFailureOnlyIfItClosesSo)
{
    const std::string a = user / "a.png", b = user / "b.png";
    // The first window could not read a version; the user reloads and the
    // second one could.
    std::deque<bool> unread = {true, false};
    hooks.Version_Unread = [&] {
        const bool now = unread.front();
        unread.pop_front();
        return now;
    };
    requests = {{T_Kind::Reload, {}, {}}};
    EXPECT_EQ(Run_Diff_Sequence(a, b, hooks), T_Diff_Result::Shown);
    EXPECT_EQ(record.Calls.size(), 2u);

    unread = {true};
    EXPECT_EQ(Run_Diff_Sequence(a, b, hooks), T_Diff_Result::Failed);
}
