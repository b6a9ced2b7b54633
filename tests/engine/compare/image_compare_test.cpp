// Conversion and comparison with the real converter.
#include "tests/engine/compare/compare_fixture.h"

#include "engine/U_ShellOp.h"

#include <chrono>

namespace {

using test::Converter_Test;

TEST_F(Converter_Test, ComparesAPairAndServesTheSameRequestFromTheCache)
{
    frame.Left = Picture("left.png", 5, 5);
    frame.Right = Picture("right.png", 12, 9);

    Compare(frame);
    ASSERT_EQ(frame.Shown.size(), 1u)
        << (messages.Messages.empty() ? "" : messages.Messages[0].Text);
    std::string first = frame.Shown[0];
    EXPECT_TRUE(first.starts_with(Temp_Dir() + "tempfile_#_"));
    EXPECT_TRUE(first.ends_with("left.png.compared.png"));
    EXPECT_EQ(test::Png_Size(first), std::make_pair(60, 40));
    ASSERT_EQ(frame.Cache().Items.size(), 1u);
    EXPECT_EQ(frame.Cache().Find(0, 0, 0), 0);

    // Same request: the earlier file, and the converter wrote nothing new.
    Compare(frame);
    ASSERT_EQ(frame.Shown.size(), 2u);
    EXPECT_EQ(frame.Shown[1], first);
    EXPECT_EQ(Compared_Files(), 1);

    // The cached file is gone: the converter runs again, the entry stays.
    std::filesystem::remove(first);
    Compare(frame);
    ASSERT_EQ(frame.Shown.size(), 3u);
    EXPECT_NE(frame.Shown[2], first);
    EXPECT_TRUE(os::File_Exists(frame.Shown[2]));
    EXPECT_EQ(frame.Cache().Items.size(), 1u);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Converter_Test, TrimSettingsGiveSmallerImagesUnderTheirOwnKeys)
{
    frame.Left = Picture("left.png", 20, 10);
    frame.Right = Picture("right.png", 24, 14);
    frame.Paged = T_Paged_Kind::Kompas;
    frame.Left_Page = 2;
    frame.Right_Page = 3;

    Compare(frame);
    frame.Trim = true;
    frame.Shave = 0;
    Compare(frame);
    frame.Shave = 15;
    Compare(frame);
    ASSERT_EQ(frame.Shown.size(), 3u);

    // Trim on with shave 0 trims, so it is kept apart from trim off.
    EXPECT_EQ(frame.Cache().Find(0, 2, 3), 0);
    EXPECT_EQ(frame.Cache().Find(-1, 2, 3), 1);
    EXPECT_EQ(frame.Cache().Find(15, 2, 3), 2);
    EXPECT_EQ(Compared_Files(), 3);
    auto full = test::Png_Size(frame.Shown[0]);
    auto trimmed = test::Png_Size(frame.Shown[1]);
    EXPECT_EQ(full, std::make_pair(60, 40));
    EXPECT_LT(trimmed.first, full.first);
    EXPECT_LT(trimmed.second, full.second);
    EXPECT_GT(trimmed.first, 0);

    // The other page pair is a different key.
    frame.Left_Page = 3;
    frame.Right_Page = 2;
    Compare(frame);
    EXPECT_EQ(frame.Cache().Find(15, 3, 2), 3);
}

TEST_F(Converter_Test, ConvertedFormatsConvertAndCompareThroughThePrefix)
{
    std::string base = Picture("base.png", 5, 5);
    std::string changed = Picture("changed.png", 9, 7);
    struct Case {
        T_Converter_Kind Kind;
        std::string Extension, Writer;
    };
    for (const Case& c :
         {Case{T_Converter_Kind::J2k, "jp2", "jp2"}, Case{T_Converter_Kind::J2k, "j2k", "j2k"},
          Case{T_Converter_Kind::Ppm, "ppm", "ppm"}}) {
        std::string left = files / ("v1." + c.Extension);
        std::string right = files / ("v2." + c.Extension);
        Convert(os::Quote_Argument(base) + " " + os::Quote_Argument(c.Writer + ":" + left));
        Convert(os::Quote_Argument(changed) + " " + os::Quote_Argument(c.Writer + ":" + right));
        test::Source pair;
        pair.Left = left;
        pair.Right = right;
        pair.Converter = c.Kind;
        std::string left_shown = left, right_shown = right;
        ASSERT_TRUE(Convert_Shown(pair, right_shown, left_shown)) << c.Extension;
        pair.Left_Input = left_shown;
        pair.Right_Input = right_shown;
        EXPECT_TRUE(left_shown.ends_with("v1." + c.Extension + ".converted.png"));
        EXPECT_TRUE(right_shown.ends_with("v2." + c.Extension + ".converted.png"));
        EXPECT_EQ(test::Png_Size(left_shown), std::make_pair(60, 40));
        EXPECT_EQ(test::Png_Size(right_shown), std::make_pair(60, 40));

        Compare(pair);
        ASSERT_EQ(pair.Shown.size(), 1u) << c.Extension;
        EXPECT_EQ(test::Png_Size(pair.Shown[0]), std::make_pair(60, 40));
    }

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"50\" height=\"30\">"
                      "<rect x=\"5\" y=\"5\" width=\"20\" height=\"10\" fill=\"blue\"/></svg>";
    test::Write_File(files / "a.svg", svg);
    test::Write_File(files / "b.svg", std::string(svg).replace(svg.find("x=\"5\""), 5, "x=\"9\""));
    test::Source pair;
    pair.Left = files / "a.svg";
    pair.Right = files / "b.svg";
    pair.Converter = T_Converter_Kind::Svg;
    std::string left_shown = pair.Left, right_shown = pair.Right;
    ASSERT_TRUE(Convert_Shown(pair, right_shown, left_shown));
    EXPECT_EQ(test::Png_Size(left_shown), std::make_pair(50, 30));
    pair.Left_Input = left_shown;
    pair.Right_Input = right_shown;
    Compare(pair);
    EXPECT_EQ(pair.Shown.size(), 1u);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Converter_Test, CorruptInputsAreReportedAndNotCached)
{
    std::string good = Picture("good.png", 5, 5);
    std::string bad = files / "bad.png";
    test::Write_File(bad, "\x89PNG\r\n\x1a\n but nothing more");

    frame.Left = good;
    frame.Right = bad;
    Compare(frame);
    EXPECT_TRUE(frame.Shown.empty());
    EXPECT_TRUE(frame.Cache().Items.empty());
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, Get_Msg(cap_Image_Compare_Fail));

    // Only the left conversion fails: both names stay, one message.
    test::Write_File(files / "bad.svg", "<svg this is not");
    Convert(os::Quote_Argument(good) + " " + os::Quote_Argument("ppm:" + (files / "good.ppm")));
    test::Source pair;
    pair.Converter = T_Converter_Kind::Svg;
    std::string left = files / "bad.svg", right = files / "b.svg";
    test::Write_File(right, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" height=\"9\"/>");
    EXPECT_FALSE(Convert_Shown(pair, right, left));
    EXPECT_EQ(left, files / "bad.svg");
    EXPECT_EQ(right, files / "b.svg");
    ASSERT_EQ(messages.Messages.size(), 2u);
    EXPECT_TRUE(messages.Messages[1].Text.starts_with(Get_Msg(cap_Image_Convert_Fail)))
        << messages.Messages[1].Text;
}

TEST_F(Converter_Test, AwkwardNamesCompareAndRunNothingHiddenInThem)
{
    std::string planted = files / "planted";
    const std::string names[][2] = {
        {"plan 100%.png", "plan 100% v2.png"},
        {"a%d%%x%1d.png", "b%PATH%.png"},
        {"it's \"$(touch planted)\".png", "`touch planted`;$HOME.png"},
        {"Чертёж ü.png", "Чертёж ü 2.png"},
    };
    for (auto& pair : names) {
        test::Source source;
        source.Left = Picture(pair[0], 5, 5);
        source.Right = Picture(pair[1], 9, 9);
        ASSERT_TRUE(os::File_Exists(source.Left)) << pair[0];
        Compare(source);
        ASSERT_EQ(source.Shown.size(), 1u) << pair[0];
        // The file is found and cached under its real name.
        EXPECT_TRUE(source.Shown[0].ends_with(pair[0] + ".compared.png")) << source.Shown[0];
        EXPECT_TRUE(os::File_Exists(source.Shown[0]));
        EXPECT_EQ(source.Cache().Items.at(0).ComparedFile, source.Shown[0]);
    }
    EXPECT_FALSE(std::filesystem::exists(planted));
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Converter_Test, EachInputGivesOnlyItsFirstPicture)
{
    // The left file holds its first picture twice (pages, frames, composite
    // and layer); the right one differs. Reading whole lists would compare
    // the left file with itself and find nothing.
    std::string first = Picture("first.png", 5, 5);
    std::string other = Picture("other.png", 30, 20);
    for (std::string format : {"tiff", "gif", "psd"}) {
        std::string left = files / ("multi." + format);
        Convert(os::Quote_Argument(first) + " " + os::Quote_Argument(first) + " " +
                os::Quote_Argument(other) + " " + os::Quote_Argument(format + ":" + left));
        test::Source pair;
        pair.Left = left;
        pair.Left_Format = format;
        pair.Right = other;
        Compare(pair);
        ASSERT_EQ(pair.Shown.size(), 1u) << format;
        EXPECT_GT(Marked_Share(pair.Shown[0]), 0.05) << format;
    }
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Converter_Test, NoPartOfANameReachesTheConverter)
{
    // "x.png[0]" beside "x.png": a converter given the name would read the
    // sibling's first frame instead.
    std::string sibling = Picture("x.png", 5, 5);
    std::string bracketed = Picture("x.png[0]", 30, 20);
    frame.Left = bracketed;
    frame.Right = Picture("same.png", 30, 20);
    Compare(frame);
    ASSERT_EQ(frame.Shown.size(), 1u);
    EXPECT_EQ(Marked_Share(frame.Shown[0]), 0.0);

    // A name of 250 bytes: the outputs formed from it stay within the
    // file system's limit and the pair compares.
    std::string long_name = std::string(246, 'n') + ".png";
    test::Source pair;
    pair.Left = Picture(long_name, 5, 5);
    pair.Right = sibling;
    Compare(pair);
    ASSERT_EQ(pair.Shown.size(), 1u);
    EXPECT_LE(std::filesystem::path(pair.Shown[0]).filename().string().size(), 255u);
    EXPECT_TRUE(pair.Shown[0].ends_with(".png.compared.png"));
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Converter_Test, AnInputDeclaringAHugePictureIsRefusedBeforeTheConverterRuns)
{
    std::string bomb = files / "bomb.svg";
    test::Write_File(bomb, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30000\" "
                           "height=\"30000\"><rect width=\"10\" height=\"10\"/></svg>");
    std::string fine = files / "fine.svg";
    test::Write_File(fine,
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>");
    test::Source pair;
    pair.Converter = T_Converter_Kind::Svg;
    std::string left = fine, right = bomb;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Convert_Shown(pair, right, left));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(right, bomb);
    ASSERT_EQ(messages.Messages.size(), 1u);
    const std::string& text = messages.Messages[0].Text;
    EXPECT_EQ(text.rfind(Get_Msg(cap_Image_Too_Large), 0), 0u) << text;
    EXPECT_NE(text.find(bomb), std::string::npos) << text;
    EXPECT_NE(text.find("30000 x 30000"), std::string::npos) << text;
    EXPECT_EQ(Compared_Files(), 0);
}

TEST_F(Converter_Test, OwnPolicyLetsLargeDrawingsCompareAndRefusesIndirectInputs)
{
    // Limits from the program's policy, not the system's.
    std::string output, error;
    std::string folder = std::filesystem::path(ConverterPath()).parent_path().string() + "/";
    Run_Batch("MAGICK_CONFIGURE_PATH=" + os::Quote_Argument(folder) + " " +
                  os::Quote_Argument(ConverterPath()) + " -list resource",
              "", "", output, error);
    EXPECT_NE(output.find("Memory: 2GiB"), std::string::npos) << output;

    // Inputs that reach beyond a plain file are refused.
    std::string png = Picture("plain.png", 5, 5);
    test::Write_File(files / "list.txt", png + "\n");
    test::Write_File(files / "script.msl", "<image><read filename=\"" + png +
                                               "\"/><write filename=\"" + (files / "msl-out.png") +
                                               "\"/></image>");
    const std::string refused[] = {"msl:" + (files / "script.msl"), "@" + (files / "list.txt"),
                                   "url:file://" + png, "text:" + (files / "list.txt")};
    for (const std::string& input : refused) {
        std::string out = files / "refused.png";
        Run_Batch(Convert_Command_Line(Native_Dialect(), ConverterPath(), "", input, out), "", "",
                  output, error);
        EXPECT_FALSE(os::File_Exists(out)) << input;
    }
    EXPECT_FALSE(os::File_Exists(files / "msl-out.png"));

    // Two 8000 x 8000 drawings compare (the system's default limits fail here).
    frame.Left = Picture("big1.png", 100, 100, "8000x8000");
    frame.Right = Picture("big2.png", 4000, 4000, "8000x8000");
    Compare(frame);
    ASSERT_EQ(frame.Shown.size(), 1u);
    EXPECT_EQ(test::Png_Size(frame.Shown[0]), std::make_pair(8000, 8000));
}

// Opens every document with one answer, and records what it was asked.
class Answering_Exporter : public T_Base_Multipage_Wrapper {
public:
    Answering_Exporter(T_Open_Result answer, std::vector<std::string>& opened)
        : Answer(answer), Opened(opened)
    {
    }
    bool Start_App() override { return true; }
    bool Quit_App() override { return true; }
    bool Close_Doc(int) override { return true; }
    T_Open_Result Open_Doc(const std::string& file, int& doc_index, std::string& error) override
    {
        Opened.push_back(file);
        error = "Server said no";
        if (Answer == T_Open_Result::Ok)
            doc_index = static_cast<int>(Opened.size()) - 1;
        return Answer;
    }
    void Export_Page_File(int, int, const std::string&) override {}
    T_Open_Result Answer;
    std::vector<std::string>& Opened;
};

TEST_F(Converter_Test, OpeningAPagedPairSaysWhichDocumentFailedAndWhy)
{
    struct Case {
        T_Open_Result Answer;
        T_Msg_Id Message;
    };
    for (Case c : {Case{T_Open_Result::No_File, cap_File_Not_Found},
                   Case{T_Open_Result::Automation_Error, cap_Cant_Open_File}}) {
        std::vector<std::string> opened;
        T_Diff_Session session(
            "/x/a.vsd", "/x/b.vsd", T_Converter_Kind::None, T_Paged_Kind::Visio,
            {[&](T_Paged_Kind) { return Make_Exporter<Answering_Exporter>(c.Answer, opened); },
             {}});
        T_Work_Result result = session.Open();
        EXPECT_FALSE(result.Done());
        EXPECT_EQ(result.Message, Get_Msg(c.Message) + "\r\n\r\n/x/a.vsd\r\n\r\nServer said no");
        // The right document is not opened after the left one failed.
        EXPECT_EQ(opened, std::vector<std::string>{"/x/a.vsd"});
    }

    // Without an exporter for the kind, the application counts as missing.
    T_Diff_Session kompas("/x/a.cdw", "/x/b.cdw", T_Converter_Kind::None, T_Paged_Kind::Kompas, {});
    EXPECT_EQ(kompas.Open().Message, Get_Msg(cap_Kompas_Not_Found));
    EXPECT_TRUE(messages.Messages.empty());
}

} // namespace
