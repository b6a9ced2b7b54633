#include "platform/os_platform.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <set>

#include <sys/inotify.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(PrepareTempFolder, CreatesAnEmptyPrivateFolderOfTheRunInAFreshTemp)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    const std::string run = "run_" + std::to_string(::getpid()) + "_1/";
    EXPECT_EQ(Temp_Dir(), tmp.Dir / "Quorbit_tmp/" + run);
    EXPECT_TRUE(fs::is_directory(Temp_Dir()));
    EXPECT_TRUE(fs::is_empty(Temp_Dir()));
    struct stat st {};
    ASSERT_EQ(::stat(Temp_Dir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(PrepareTempFolder, RunsAtOnceNeverShareAFolderAndEndedRunsAreSwept)
{
    test::Private_Tmpdir tmp;
    const fs::path shared = tmp.Dir.Path / "Quorbit_tmp";
    fs::create_directories(shared);
    ::chmod(shared.c_str(), 0700);
    // Another run, still going (process 1 always is), an ended one touched
    // long ago, an ended one touched just now, and a folder of another name.
    const auto long_ago = fs::file_time_type::clock::now() - std::chrono::hours(3);
    for (const char* name : {"run_1_1", "run_999999999_1", "run_999999999_2", "keep_me"})
        fs::create_directory(shared / name);
    fs::last_write_time(shared / "run_1_1", long_ago);
    fs::last_write_time(shared / "run_999999999_1", long_ago);
    Prepare_Temp_Folder();
    const std::string first = Temp_Dir();
    EXPECT_TRUE(fs::is_directory(shared / "run_1_1"));
    EXPECT_FALSE(fs::exists(shared / "run_999999999_1"));
    EXPECT_TRUE(fs::is_directory(shared / "run_999999999_2")); // may still be read
    EXPECT_TRUE(fs::is_directory(shared / "keep_me"));
    // A child process is another run: its folder is its own.
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        Prepare_Temp_Folder();
        const std::string dir = Temp_Dir();
        (void)!::write(pipe_ends[1], dir.data(), dir.size());
        ::_exit(0);
    }
    ::close(pipe_ends[1]);
    char buffer[4096];
    const ssize_t got = ::read(pipe_ends[0], buffer, sizeof buffer);
    ::close(pipe_ends[0]);
    ::waitpid(child, nullptr, 0);
    ASSERT_GT(got, 0);
    const std::string second(buffer, std::size_t(got));
    EXPECT_NE(second, first);
    EXPECT_EQ(fs::path(second).parent_path().parent_path(), shared);
}

namespace {

// Temp_Dir must be a new folder "Quorbit_tmp_" + six characters in the
// system temporary folder, a real folder of ours that no one else may enter.
void Expect_New_Private_Folder(const test::Private_Tmpdir& tmp)
{
    std::string dir = Temp_Dir();
    ASSERT_EQ(dir.back(), '/');
    // The run's own folder, inside the new one.
    fs::path folder = fs::path(dir.substr(0, dir.size() - 1)).parent_path();
    EXPECT_EQ(folder.parent_path(), tmp.Dir.Path);
    std::regex form("Quorbit_tmp_[A-Za-z0-9]{6}");
    EXPECT_TRUE(std::regex_match(folder.filename().string(), form)) << dir;
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(std::string(std::getenv("MAGICK_TEMPORARY_PATH")) + "/", dir);
}

} // namespace

TEST(PrepareTempFolder, MakesANewPrivateFolderWhenTheNameIsTaken)
{
    {
        test::Private_Tmpdir tmp;
        test::Write_File(tmp.Dir / "Quorbit_tmp", "not a folder");
        Prepare_Temp_Folder();
        Expect_New_Private_Folder(tmp);
    }
    {
        // A link planted in a shared temp must not redirect our files.
        test::Private_Tmpdir tmp;
        fs::create_directory(tmp.Dir / "target");
        fs::create_directory_symlink(tmp.Dir / "target", tmp.Dir / "Quorbit_tmp");
        Prepare_Temp_Folder();
        Expect_New_Private_Folder(tmp);
        EXPECT_TRUE(fs::is_empty(tmp.Dir / "target"));
    }
    {
        // Another user's folder: that user could read whatever lands there.
        test::Private_Tmpdir tmp;
        fs::create_directory(tmp.Dir / "Quorbit_tmp");
        ASSERT_EQ(::chown((tmp.Dir / "Quorbit_tmp").c_str(), 65534, 65534), 0);
        Prepare_Temp_Folder();
        Expect_New_Private_Folder(tmp);
        std::string first = Temp_Dir();
        // Each run makes its own.
        Prepare_Temp_Folder();
        EXPECT_NE(Temp_Dir(), first);
    }
}

TEST(PrepareTempFolder, TheRealConverterLeavesNothingInTheSystemTemp)
{
    std::error_code ec;
    std::string converter = fs::canonical(VARNOLT_BUILD_DIR "/imagemagick/convert", ec).string();
    if (ec)
        converter = "/usr/bin/convert-im6.q16";
    if (!fs::exists(converter))
        GTEST_SKIP() << "no converter here";
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();

    // Every name made in either folder during the run, as the kernel reports it.
    int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    int shared = ::inotify_add_watch(watch, tmp.Dir.Str().c_str(), IN_CREATE | IN_MOVED_TO);
    int own = ::inotify_add_watch(watch, Temp_Dir().c_str(), IN_CREATE | IN_MOVED_TO);
    ASSERT_GE(shared, 0);
    ASSERT_GE(own, 0);

    // Memory and map limits this low force the pixel cache onto the disk.
    std::string channel;
    auto result = os::Run_Captured(
        os::Quote_Argument(converter) + " -limit memory 1KiB -limit map 1KiB -size 2000x2000 " +
            "xc:red -negate " + os::Quote_Argument(Temp_Dir() + "out.png"),
        "", channel, {});
    ASSERT_EQ(result.Exit_Code, 0) << channel;

    std::vector<std::string> in_shared, in_own;
    alignas(inotify_event) char buffer[65536];
    for (;;) {
        ssize_t n = ::read(watch, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (char* at = buffer; at < buffer + n;) {
            auto* event = reinterpret_cast<inotify_event*>(at);
            std::string name = event->len ? event->name : "";
            (event->wd == shared ? in_shared : in_own).push_back(name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    EXPECT_TRUE(in_shared.empty()) << in_shared.front();
    EXPECT_TRUE(std::any_of(in_own.begin(), in_own.end(),
                            [](const std::string& name) { return name.rfind("magick-", 0) == 0; }));
}

TEST(TempFileName, HasTheFixedFormAndDiffersBetweenCalls)
{
    std::regex form("tempfile_#_[0-9]+_[0-9]+");
    std::set<std::string> names;
    Randomize_Temp_Names();
    for (int i = 0; i < 100; ++i) {
        std::string name = Temp_File_Name();
        EXPECT_TRUE(std::regex_match(name, form)) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 100u);
}

TEST(CopyBaseToTemp, MakesAReadOnlyCopyNamedAfterTheRightFile)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    test::Scratch_Dir user;
    std::string base = user / "plan v1.cdw";
    test::Write_File(base, "version 1");
    fs::permissions(base, fs::perms(0640));
    std::string name = base;
    Copy_Base_To_Temp(name, "plan v2.cdw");
    EXPECT_EQ(name, Temp_Dir() + "plan v2.cdw");
    EXPECT_EQ(test::Read_File(name), "version 1");
    // Only the user reads it: the original's group and other rights stay behind.
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0400));
    // The user's file is untouched.
    EXPECT_EQ(test::Read_File(base), "version 1");
    EXPECT_EQ(fs::status(base).permissions(), fs::perms(0640));

    // A later run with the same right name replaces the read-only copy
    // instead of falling back to the user's own file.
    test::Write_File(base, "version 1b");
    name = base;
    Copy_Base_To_Temp(name, "plan v2.cdw");
    EXPECT_EQ(name, Temp_Dir() + "plan v2.cdw");
    EXPECT_EQ(test::Read_File(name), "version 1b");
}

TEST(CopyBaseToTemp, KeepsTheBaseNameWhenTheCopyFails)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    std::string name = tmp.Dir / "missing.cdw";
    Copy_Base_To_Temp(name, "x.cdw");
    EXPECT_EQ(name, tmp.Dir / "missing.cdw");
}
