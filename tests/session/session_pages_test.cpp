// Pages belong to their session: documents of the same name open at the
// same time never share a page, and the private copy of a base goes with
// the session that made it.
#include "pdf/document_exporters.h"
#include "session/comparison_model.h"
#include "session/pair_pipeline.h"
#include "imaging/page_store.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"

#include <QObject>
#include <gtest/gtest.h>

#include <filesystem>

#ifndef VARNOLT_TEST_NO_PDF
namespace {

namespace fs = std::filesystem;

class Session_Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        Settings.Make_Exporter = Create_Document_Exporter;
    }
    // "plan.pdf" and "plan v2.pdf" in a folder of their own; the second
    // with a box added where Changed says.
    std::string Pair_In(const std::string& folder, bool changed)
    {
        fs::create_directories(dir.Path / folder);
        const std::string frame = test::Box(20, 20, 60, 30);
        test::Write_File(dir / (folder + "/plan.pdf"), test::Make_Pdf({{200, 100, frame}}));
        test::Write_File(
            dir / (folder + "/plan v2.pdf"),
            test::Make_Pdf(
                {{200, 100, frame + (changed ? test::Box(120, 50, 40, 30) : std::string())}}));
        return dir / folder;
    }
    std::unique_ptr<T_Comparison_Model> Window(const std::string& folder)
    {
        auto model = std::make_unique<T_Comparison_Model>(
            folder + "/plan.pdf", folder + "/plan v2.pdf", T_Converter_Kind::None,
            T_Paged_Kind::Pdf, T_Session_Seams{Create_Document_Exporter, {}}, &context, nullptr);
        EXPECT_TRUE(model->Open().Done());
        return model;
    }
    T_Verdict Run(const std::string& folder)
    {
        const std::string old_file = folder + "/plan.pdf", new_file = folder + "/plan v2.pdf";
        return Compare_Pair(old_file, new_file, old_file, new_file, Settings).Verdict;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    QObject context;
    T_Pair_Settings Settings;
};

TEST_F(Session_Pages, RunsAndAWindowOnDocumentsOfTheSameNameNeverSharePages)
{
    const std::string same = Pair_In("same", false), changed = Pair_In("changed", true);
    auto window = Window(same);
    const QImage shown = window->Picture(T_Side::Right).Image;
    ASSERT_FALSE(shown.isNull());

    // Runs between the window's drawing and its reading of the pages by
    // name: each judges its own pair.
    EXPECT_EQ(Run(changed), T_Verdict::Different);
    EXPECT_EQ(Run(same), T_Verdict::Identical);
    auto other = Window(changed);
    EXPECT_EQ(Run(changed), T_Verdict::Different);

    // The window's pages are still its own, in memory and once written.
    EXPECT_EQ(window->Picture(T_Side::Right).Image, shown);
    EXPECT_NE(other->Picture(T_Side::Right).Image, shown);
    const T_Compare_Input input = window->Compare_Input(T_Side::Right);
    EXPECT_NE(input.File, other->Compare_Input(T_Side::Right).File);
    ASSERT_FALSE(Private_Input_Name(input.File, input.Pages).empty());
    EXPECT_EQ(QImage(QString::fromStdString(input.File)).convertToFormat(shown.format()), shown);
}

TEST_F(Session_Pages, ThePrivateCopyOfTheBaseGoesWithItsSession)
{
    const std::string folder = Pair_In("user", false);
    fs::path copy, page;
    {
        auto window = Window(folder);
        const T_Diff_Session& session = window->Session();
        copy = session.LeftFile;
        // Read-only, in a folder of the session's own, named like the
        // modified file; the user's file is only read.
        EXPECT_EQ(copy.filename(), "plan v2.pdf");
        EXPECT_NE(copy.parent_path(), fs::path(folder));
        EXPECT_EQ(copy.parent_path().parent_path(), fs::path(Temp_Dir()).parent_path());
        EXPECT_EQ(fs::status(copy).permissions() & fs::perms::owner_write, fs::perms::none);
        EXPECT_EQ(test::Read_File(copy.string()), test::Read_File(folder + "/plan.pdf"));
        // A page written beside it goes with it.
        const T_Compare_Input input = window->Compare_Input(T_Side::Left);
        ASSERT_FALSE(Private_Input_Name(input.File, input.Pages).empty());
        page = input.File;
        EXPECT_TRUE(fs::exists(page));
        EXPECT_EQ(page.parent_path(), copy.parent_path());
    }
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_FALSE(fs::exists(copy.parent_path()));
    EXPECT_TRUE(fs::exists(folder + "/plan.pdf"));
}

TEST_F(Session_Pages, TheCopyOfABaseLeavesRoomForThePageNamesAndMessagesNameTheUsersFile)
{
    // A modified file of 250 bytes: the copy keeps its extension and leaves
    // room for the page images' endings.
    const std::string long_name = std::string(246, 'd') + ".pdf";
    test::Write_File(dir / long_name, test::Make_Pdf({{200, 100, ""}}));
    test::Write_File(dir / "old.pdf", "%PDF-1.4\nnot a document at all");
    T_Diff_Session session(dir / "old.pdf", dir / long_name, T_Converter_Kind::None,
                           T_Paged_Kind::Pdf, {Create_Document_Exporter, {}});
    const std::string copy = fs::path(session.LeftFile).filename().string();
    EXPECT_LE(copy.size() + std::string("_l_page_2147483647.png").size(), 255u);
    EXPECT_TRUE(copy.ends_with(".pdf")) << copy;

    const T_Work_Result opened = session.Open();
    ASSERT_FALSE(opened.Done());
    EXPECT_NE(opened.Message.find(dir / "old.pdf"), std::string::npos) << opened.Message;
    EXPECT_EQ(opened.Message.find(session.LeftFile), std::string::npos) << opened.Message;
}

} // namespace
#endif
