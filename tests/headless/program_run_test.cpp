// The built program run as a script runs it, with no display at all: what
// needs no window must neither want one nor open one.
#include "tests/headless/program_run.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <sys/types.h>
#include <sys/wait.h>

using test::Run_Program;
using test::Run_Result;

TEST(Program, AnswersHelpVersionAndUsageErrorsWithoutADisplay)
{
    Run_Result help = Run_Program({"--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_TRUE(help.Out.starts_with("Usage:\n  varnolt [options] OldFile NewFile\n")) << help.Out;
    EXPECT_NE(help.Out.find("--no-ignore-antialiasing"), std::string::npos);
    EXPECT_EQ(help.Err, "");

    Run_Result version = Run_Program({"--version"});
    EXPECT_EQ(version.Code, 0);
    EXPECT_EQ(version.Out, "varnolt 1.4\n");

    Run_Result wrong = Run_Program({"--colour", "a.png", "b.png"});
    EXPECT_EQ(wrong.Code, 2);
    EXPECT_EQ(wrong.Out, "");
    EXPECT_TRUE(wrong.Err.starts_with("varnolt: unknown option --colour\n\nUsage:\n")) << wrong.Err;
    Run_Result no_workers = Run_Program({"--compare", "--jobs", "0", "a", "b"});
    EXPECT_EQ(no_workers.Code, 2);
    EXPECT_TRUE(no_workers.Err.starts_with(
        "varnolt: --jobs takes a whole number from 1 to 64, not \"0\"\n\nUsage:\n"))
        << no_workers.Err;

    // git's driver call with an argument short: refused before any window.
    Run_Result short_call =
        Run_Program({"--git-diff", "a.png", "/dev/null", ".", ".", "a.png", std::string(40, '0')});
    EXPECT_EQ(short_call.Code, 2);
    EXPECT_TRUE(short_call.Err.starts_with("varnolt: --git-diff needs the seven arguments git "
                                           "passes (path old-file old-hex old-mode new-file "
                                           "new-hex new-mode), not 6\n\nUsage:\n"))
        << short_call.Err;
}

TEST(Program, ComparesTwoPicturesOffscreen)
{
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "old.png")));
    picture.fill(Qt::black); // every pixel changes

    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "new.png")));
    const std::string old_png = dir / "old.png";

    Run_Result changed = Run_Program({"--compare", old_png, dir / "new.png"});
    EXPECT_EQ(changed.Code, 1) << changed.Err;
    EXPECT_NE(changed.Out.find(": 2,400 px changed"), std::string::npos) << changed.Out;

    Run_Result same = Run_Program({"--compare", "--json", old_png, old_png});
    EXPECT_EQ(same.Code, 0) << same.Err;
    EXPECT_NE(same.Out.find("\"result\":\"identical\""), std::string::npos) << same.Out;
    EXPECT_EQ(same.Err, "");
}

TEST(Program, ComparesPicturesWithoutTheConverterBesideIt)
{
    // A copy of the program without imagemagick/ beside it: pictures compare
    // in the program; only a pair that must be converted says what is missing.
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Copy_Program_Alone(dir / "bare");
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "old.png")));
    picture.setPixel(5, 5, qRgb(0, 0, 0));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "new.png")));
    test::Write_File(dir / "new.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>");

    Run_Result pictures =
        Run_Program({"--compare", dir / "old.png", dir / "new.png"}, dir / "bare/varnolt");
    EXPECT_EQ(pictures.Code, 1) << pictures.Err;
    EXPECT_NE(pictures.Out.find(": 1 px changed"), std::string::npos) << pictures.Out;

    Run_Result converted =
        Run_Program({"--compare", dir / "old.png", dir / "new.svg"}, dir / "bare/varnolt");
    EXPECT_EQ(converted.Code, 2);
    EXPECT_NE(converted.Err.find("Application components not found!"), std::string::npos)
        << converted.Err;
}

TEST(Program, ComparesPngAndJpegPairsWithoutLoadingTheRestOfItself)
{
    // The executable alone, without the part that holds the toolkit: what it
    // answers alone still works, and the rest says what is missing.
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    std::filesystem::create_directories(dir / "alone");
    std::filesystem::copy_file(VARNOLT_BUILD_DIR "/varnolt", dir / "alone/varnolt");
    if (!std::filesystem::exists(VARNOLT_BUILD_DIR "/parts/varnolt-program.so"))
        GTEST_SKIP() << "this build's executable is the whole program";
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "old.png")));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "old.jpg"), "JPEG"));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "old.bmp")));
    picture.setPixel(3, 3, qRgb(0, 0, 0));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "new.png")));
    std::filesystem::copy_file(dir / "old.jpg", dir / "copy.jpg");
    const std::string alone = dir / "alone/varnolt";

    Run_Result changed = Run_Program({"--compare", dir / "old.png", dir / "new.png"}, alone);
    EXPECT_EQ(changed.Code, 1) << changed.Err;
    EXPECT_EQ(changed.Out, dir / "old.png" + " " + dir / "new.png" +
                               ": 1 px changed (0.39 %), 1 change, 1 change region\n");
    Run_Result same =
        Run_Program({"--compare", "--json", dir / "old.jpg", dir / "copy.jpg"}, alone);
    EXPECT_EQ(same.Code, 0) << same.Err;
    EXPECT_NE(same.Out.find("\"compared_by\":\"bytes\",\"checked\":\"structure\""),
              std::string::npos)
        << same.Out;
    EXPECT_EQ(Run_Program({"--version"}, alone).Out, "varnolt 1.4\n");

    Run_Result bitmap = Run_Program({"--compare", dir / "old.bmp", dir / "new.png"}, alone);
    EXPECT_EQ(bitmap.Code, 2);
    EXPECT_EQ(bitmap.Out, "");
    EXPECT_NE(bitmap.Err.find("varnolt: the program is incomplete: "), std::string::npos)
        << bitmap.Err;
    EXPECT_NE(bitmap.Err.find("Install it again."), std::string::npos) << bitmap.Err;
}

TEST(Program, AStandardOutputThatTakesNothingIsAnErrorNotAVerdict)
{
    // A report lost on a full disk must not pass for "identical" or
    // "different": pairs the executable answers alone and pairs the whole
    // program compares, lines and JSON, and the version alike.
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "same.png")));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "old.bmp")));
    picture.setPixel(3, 3, qRgb(0, 0, 0));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "new.bmp")));
    const std::string program = VARNOLT_BUILD_DIR "/varnolt";
    const auto run = [&](const std::string& arguments, const std::string& into) {
        const std::string line =
            "'" + program + "' " + arguments + " > " + into + " 2> '" + dir / "err.txt" + "'";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::string same = "'" + dir / "same.png" + "' '" + dir / "same.png" + "'";
    const std::string bitmaps = "'" + dir / "old.bmp" + "' '" + dir / "new.bmp" + "'";
    for (const std::string& arguments : {"--compare " + same, "--compare --json " + same,
                                         "--compare " + bitmaps, std::string("--version")}) {
        EXPECT_EQ(run(arguments, "/dev/full"), 2) << arguments;
        EXPECT_NE(
            test::Read_File(dir / "err.txt").find("varnolt: cannot write the standard output"),
            std::string::npos)
            << arguments;
    }
    EXPECT_EQ(run("--compare " + same, "/dev/null"), 0);
    EXPECT_EQ(run("--compare " + bitmaps, "/dev/null"), 1);
    EXPECT_EQ(test::Read_File(dir / "err.txt"), "");
}

#ifndef VARNOLT_TEST_NO_PDF
// Two pairs whose files have the same names, compared by four runs at once:
// each run draws its pages in a folder of its own, so no run reads another's.
TEST(Program, RunsAtTheSameTimeKeepTheirPagesApartAndLeaveNothing)
{
    test::Scratch_Dir dir;
    auto sheet = [](double x) {
        return test::Pdf_Page{595, 842, test::Sheet_Frame() + test::Box(x, 400, 120, 80)};
    };
    for (const char* side : {"changed", "same"})
        std::filesystem::create_directories(dir.Path / side);
    test::Write_File(dir / "changed/old.pdf", test::Make_Pdf({sheet(100), sheet(300)}));
    test::Write_File(dir / "changed/new.pdf", test::Make_Pdf({sheet(100), sheet(350)}));
    test::Write_File(dir / "same/old.pdf", test::Make_Pdf({sheet(200), sheet(250)}));
    test::Write_File(dir / "same/new.pdf", test::Make_Pdf({sheet(200), sheet(250)}));
    // Their private folders lie in a temporary folder of the test's own, so
    // that what they leave behind can be seen.
    std::filesystem::create_directories(dir.Path / "tmp");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), QString::fromStdString(dir / "tmp"));
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int round = 0; round < 2; ++round)
        for (const char* side : {"changed", "same"}) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->setProcessEnvironment(environment);
            runs.back()->start(QStringLiteral(VARNOLT_BUILD_DIR "/varnolt"),
                               {QStringLiteral("--compare"),
                                QString::fromStdString(dir / side + "/old.pdf"),
                                QString::fromStdString(dir / side + "/new.pdf")});
        }
    for (std::size_t run = 0; run < runs.size(); ++run) {
        ASSERT_TRUE(runs[run]->waitForFinished(120000));
        EXPECT_EQ(runs[run]->exitCode(), run % 2 == 0 ? 1 : 0)
            << runs[run]->readAllStandardOutput().toStdString()
            << runs[run]->readAllStandardError().toStdString();
    }
    // Each run removed its own pages and copies, and none removed another's
    // while it worked.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path / "tmp/Quorbit_tmp"))
        ADD_FAILURE() << "left behind: " << entry.path();
}
#endif

#ifndef VARNOLT_TEST_NO_PDF
// What git's added file comes to without a window: the document's pages.
TEST(Program, AnAddedDocumentIsOnlyInTheNewVersionWithItsPageCount)
{
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    auto sheet = [](double x) {
        return test::Pdf_Page{595, 842, test::Sheet_Frame() + test::Box(x, 400, 120, 80)};
    };
    test::Write_File(dir / "added.pdf", test::Make_Pdf({sheet(100), sheet(200), sheet(300)}));
    Run_Result added = Run_Program({"--compare", "--json", "/dev/null", dir / "added.pdf"});
    EXPECT_EQ(added.Code, 1) << added.Err;
    EXPECT_NE(added.Out.find("\"result\":\"only_in_new\",\"pages\":3"), std::string::npos)
        << added.Out;
    EXPECT_EQ(added.Err, "");
    // Nothing was drawn beside the user's file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path),
                            std::filesystem::directory_iterator()),
              1);
}
#endif

// Ctrl+C during a folder run: the reports so far are written, valid and
// marked interrupted, the private folder is left empty, and the next run
// takes the same report folder.
TEST(Program, AnInterruptedFolderRunLeavesAPartialReportThatTheNextRunReplaces)
{
    test::Scratch_Dir dir;
    for (const char* side : {"a", "b", "tmp"})
        std::filesystem::create_directories(dir.Path / side);
    QImage picture(300, 200, QImage::Format_RGB32);
    constexpr int Pairs = 300;
    for (int i = 0; i < Pairs; ++i) {
        const std::string name = "p" + std::to_string(1000 + i) + ".png";
        picture.fill(Qt::white);
        ASSERT_TRUE(picture.save(QString::fromStdString(dir / ("a/" + name))));
        picture.setPixel(i % 300, 10, 0);
        ASSERT_TRUE(picture.save(QString::fromStdString(dir / ("b/" + name))));
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), QString::fromStdString(dir / "tmp"));
    const QStringList arguments = {QStringLiteral("--compare"),
                                   QStringLiteral("--jobs"),
                                   QStringLiteral("1"),
                                   QStringLiteral("--report"),
                                   QString::fromStdString(dir / "report"),
                                   QStringLiteral("--junit"),
                                   QString::fromStdString(dir / "junit.xml"),
                                   QString::fromStdString(dir / "a"),
                                   QString::fromStdString(dir / "b")};
    QProcess run;
    run.setProcessEnvironment(environment);
    run.start(QStringLiteral(VARNOLT_BUILD_DIR "/varnolt"), arguments);
    // Interrupted once the first pair is out.
    ASSERT_TRUE(run.waitForReadyRead(60000));
    ::kill(pid_t(run.processId()), SIGINT);
    ASSERT_TRUE(run.waitForFinished(120000));
    if (run.exitCode() == 1)
        GTEST_SKIP() << "every pair was compared before the interrupt arrived";
    EXPECT_EQ(run.exitCode(), 128 + SIGINT) << run.readAllStandardError().toStdString();
    const QJsonObject report =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(test::Read_File(dir / "report/report.json")))
            .object();
    EXPECT_TRUE(report[u"interrupted"].toBool());
    const int different = report[u"totals"].toObject()[u"different"].toInt();
    EXPECT_GT(different, 0);
    EXPECT_LT(different, Pairs);
    EXPECT_EQ(report[u"pairs"].toArray().size(), different);
    const std::string junit = test::Read_File(dir / "junit.xml");
    EXPECT_NE(junit.find("interrupted"), std::string::npos);
    EXPECT_EQ(std::system(("xmllint --noout '" + dir / "junit.xml" + "'").c_str()), 0);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path / "tmp/Quorbit_tmp"))
        ADD_FAILURE() << "left behind: " << entry.path();

    // The next run takes the folder and replaces the partial report.
    QProcess rerun;
    rerun.setProcessEnvironment(environment);
    rerun.start(QStringLiteral(VARNOLT_BUILD_DIR "/varnolt"), arguments);
    ASSERT_TRUE(rerun.waitForFinished(240000));
    EXPECT_EQ(rerun.exitCode(), 1) << rerun.readAllStandardError().toStdString();
    const QJsonObject whole =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(test::Read_File(dir / "report/report.json")))
            .object();
    EXPECT_FALSE(whole[u"interrupted"].toBool());
    EXPECT_EQ(whole[u"totals"].toObject()[u"different"].toInt(), Pairs);
}

// The default --jobs is the processors the process may use.
TEST(Program, JobsFollowTheProcessorsTheProcessMayUse)
{
    if (std::system("taskset -c 0 true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "taskset cannot run here";
    test::Scratch_Dir dir;
    std::filesystem::create_directories(dir.Path / "a");
    std::filesystem::create_directories(dir.Path / "b");
    const test::Run_Result pinned = test::Run_Program(
        {"-c", "0", VARNOLT_BUILD_DIR "/varnolt", "--compare", "--json", dir / "a", dir / "b"},
        "/usr/bin/taskset");
    EXPECT_EQ(pinned.Code, 0) << pinned.Err;
    EXPECT_NE(pinned.Out.find("\"jobs\":1,"), std::string::npos) << pinned.Out;
}
