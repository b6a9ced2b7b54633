// Comparisons without a window that need POSIX: links in a folder, a
// folder that an ordinary user cannot read, and what a run writes into its
// private folder.
#include "tests/headless/headless_fixture.h"

#include "platform/os_platform.h"
#include "tests/pdf/test_pdf_writer.h"

#include <algorithm>
#include <functional>
#include <cstring>
#include <random>

#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST_F(Headless, LinkedFilesKeepTheNamesTheyAreListedUnder)
{
    fs::create_directories(dir.Path / "new/sub/deep");
    for (const char* name : {"same.png", "readme.txt", "notes.txt", "added.png"})
        Make_Png(dir / "new/" + name, 10, 10);
    Make_Png(dir / "new/sub/deep/plan.png", 10, 10);
    // A version-control client links the working tree's files into its
    // folder, and names folders with a trailing slash: files keep the names
    // they are listed under.
    fs::create_directories(dir.Path / "linked/sub/deep");
    for (const char* name : {"same.png", "readme.txt", "notes.txt", "added.png"})
        fs::create_symlink(dir.Path / "new" / name, dir.Path / "linked" / name);
    fs::create_symlink(dir.Path / "new/sub/deep/plan.png", dir.Path / "linked/sub/deep/plan.png");
    EXPECT_EQ(Compare({dir / "new" + "/", dir / "linked" + "/"}), 0) << Out;
    EXPECT_TRUE(Out.ends_with("Totals: 5 identical, 0 different, 0 only in old, 0 only in new, "
                              "0 errors\n"))
        << Out;
}

TEST_F(Headless, AFolderThatCannotBeReadIsAnErrorNotAnEmptyFolder)
{
    for (const char* side : {"old", "new"}) {
        fs::create_directories(dir.Path / side / "locked");
        Make_Png(dir / side + "/locked/plan.png", 10, 10);
        fs::permissions(dir.Path / side, fs::perms(0755));
        fs::permissions(dir.Path / side / "locked", fs::perms(0700));
    }
    fs::permissions(tmp.Dir.Path, fs::perms(0755));
    fs::permissions(dir.Path, fs::perms(0755));
    // The test runs as root, who reads everything: the comparison runs in a
    // child that has become an ordinary user.
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        std::ostringstream out, err;
        const int code = Run_Headless_Compare(
            Parse_Command_Options({"varnolt", "--compare", dir / "old", dir / "new"}), out, err);
        ::_exit(err.str().find("Permission denied") != std::string::npos ? code : 10 + code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST_F(Headless, PicturesAskedForGetTheUsersPermissionsAndTheRestStaysPrivate)
{
    // The program makes everything private first thing; what the user asked
    // for is made as the user's own mask (here 022) allows.
    const mode_t before = ::umask(022);
    os::Restrict_New_Files();
    for (const char* side : {"old", "new"})
        fs::create_directories(dir.Path / side);
    Make_Png(dir / "old/plan.png", 20, 20);
    Make_Png(dir / "new/plan.png", 20, 20, {{2, 2, 5, 5}});
    EXPECT_EQ(Compare({"--output", dir / "one.png", dir / "old/plan.png", dir / "new/plan.png"}),
              1);
    EXPECT_EQ(Compare({"--output", dir / "made/below", dir / "old", dir / "new"}), 1);
    const auto mode = [](const std::string& path) {
        return int(fs::status(path).permissions() & fs::perms::all);
    };
    EXPECT_EQ(mode(dir / "one.png"), 0644);
    EXPECT_EQ(mode(dir / "made/below/plan.png"), 0644);
    EXPECT_EQ(mode(dir / "made"), 0755);
    // The private folder keeps its owner-only rule.
    EXPECT_EQ(mode(Temp_Dir()), 0700);
    ::umask(before);
}

TEST_F(Headless, AnOutputNeverReplacesAnInputAndAFailedWriteLeavesNothing)
{
    Make_Png(dir / "old.png", 40, 30);
    Make_Png(dir / "new.png", 40, 30, {{5, 5, 10, 10}});
    const std::string old_bytes = test::Read_File(dir / "old.png");
    fs::create_symlink(dir.Path / "old.png", dir.Path / "link.png");
    for (const std::string& output : {dir / "old.png", dir / "link.png", dir / "new.png"}) {
        EXPECT_EQ(Compare({"--output", output, dir / "old.png", dir / "new.png"}), 2) << output;
        EXPECT_NE(Err.find("--output must not name a file compared"), std::string::npos) << Err;
    }
    EXPECT_EQ(test::Read_File(dir / "old.png"), old_bytes);
    // A folder of pictures inside a folder compared would write into it.
    for (const char* side : {"a", "b"})
        fs::create_directories(dir.Path / side);
    Make_Png(dir / "a/plan.png", 40, 30);
    Make_Png(dir / "b/plan.png", 40, 30, {{5, 5, 10, 10}});
    EXPECT_EQ(Compare({"--output", dir / "a/pictures", dir / "a", dir / "b"}), 2);
    EXPECT_FALSE(fs::exists(dir.Path / "a/pictures"));

    // A device is written in place, never replaced by a file; a device
    // that takes nothing is a failed write like a full disk.
    EXPECT_EQ(Compare({"--output", "/dev/full", dir / "old.png", dir / "new.png"}), 2);
    EXPECT_NE(Err.find("cannot write /dev/full: No space left on device"), std::string::npos)
        << Err;
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(Compare({"--output", "/dev/null", dir / "old.png", dir / "new.png"}), 1) << Err;
    EXPECT_EQ(Err, "");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // So are the reports: the HTML report's page alone goes to a device.
    for (const char* option : {"--report", "--junit"}) {
        EXPECT_EQ(Compare({option, "/dev/full", dir / "old.png", dir / "new.png"}), 2) << option;
        EXPECT_NE(Err.find("cannot write /dev/full: No space left on device"), std::string::npos)
            << option << ": " << Err;
        EXPECT_EQ(Compare({option, "/dev/null", dir / "old.png", dir / "new.png"}), 1) << Err;
        EXPECT_EQ(Err, "") << option;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    // A full disk: the reason, exit 2, and no partial picture.
    const fs::path small = dir.Path / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here (" << std::strerror(errno) << ")";
    // Noise, shown washed out in the picture of the differences, does not
    // compress: the picture is far larger than the disk.
    QImage noise(400, 400, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            noise.setPixel(x, y, QRgb(random()) | 0xFF000000u);
    ASSERT_TRUE(noise.save(QString::fromStdString(dir / "noise.png")));
    QPainter(&noise).fillRect(10, 10, 20, 20, Qt::black);
    ASSERT_TRUE(noise.save(QString::fromStdString(dir / "noise boxed.png")));
    const int status = Compare(
        {"--output", (small / "d.png").string(), dir / "noise.png", dir / "noise boxed.png"});
    const bool left_behind = !fs::is_empty(small);
    ::umount(small.c_str());
    EXPECT_EQ(status, 2);
    EXPECT_NE(Err.find("No space left on device"), std::string::npos) << Err;
    EXPECT_FALSE(left_behind);
}

TEST_F(Headless, NamesWithLineFeedsAndEscapesPrintAsOneHarmlessLine)
{
    Make_Png(dir / "a.png", 20, 20);
    const std::string odd = dir / "line\nfeed \x1b[31mred.png";
    EXPECT_EQ(Compare({dir / "a.png", odd}), 2);
    EXPECT_EQ(std::count(Out.begin(), Out.end(), '\n'), 1) << Out;
    EXPECT_EQ(Out.find('\x1b'), std::string::npos);
    EXPECT_NE(Out.find("line\\x0Afeed \\x1B[31mred.png"), std::string::npos) << Out;
    EXPECT_EQ(std::count(Err.begin(), Err.end(), '\n'), 1) << Err;
    EXPECT_EQ(Err.find('\x1b'), std::string::npos);
}

// The names of the files made in `folder` (created or renamed into it)
// while Run runs.
std::vector<std::string> Files_Made_In(const std::string& folder, const std::function<void()>& Run)
{
    const int watch = ::inotify_init1(IN_NONBLOCK);
    if (watch < 0 || ::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
        ADD_FAILURE() << "cannot watch " << folder << ": " << std::strerror(errno);
        return {};
    }
    Run();
    std::vector<std::string> names;
    alignas(inotify_event) char events[64 * 1024];
    for (ssize_t got; (got = ::read(watch, events, sizeof events)) > 0;)
        for (char* at = events; at < events + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0)
                names.emplace_back(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    ::close(watch);
    return names;
}

TEST_F(Headless, PdfPagesAreComparedInMemoryWithoutWritingAPageFile)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    auto sheet = [](double x) {
        return test::Pdf_Page{1191, 842, test::Sheet_Frame(1191, 842) + test::Box(x, 400, 120, 80)};
    };
    test::Write_File(dir / "old.pdf",
                     test::Make_Pdf({sheet(100), sheet(300), sheet(500), sheet(700)}));
    test::Write_File(dir / "new.pdf",
                     test::Make_Pdf({sheet(100), sheet(310), sheet(500), sheet(700)}));
    int status = -1;
    const std::vector<std::string> made = Files_Made_In(Temp_Dir(), [&] {
        status = Compare({"--output", dir / "diff.png", dir / "old.pdf", dir / "new.pdf"});
    });
    EXPECT_EQ(status, 1) << Err;
    EXPECT_NE(Out.find("(page 2 / 2): "), std::string::npos) << Out;
    for (const std::string& name : made)
        EXPECT_EQ(name.find("_page_"), std::string::npos) << name;
    // The picture of the differences is made from the page in memory.
    QImage differences;
    for (const auto& entry : fs::directory_iterator(dir.Path))
        if (entry.path().filename().string().starts_with("diff"))
            differences.load(QString::fromStdString(entry.path().string()));
    EXPECT_EQ(differences.size(), QSize(2481, 1754)); // A3 at 150 dpi
}
