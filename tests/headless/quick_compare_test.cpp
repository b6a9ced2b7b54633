// The quick front's comparison of two pictures against the whole program's:
// wherever it answers, its exit code and every byte it prints are the whole
// comparison's; where it cannot be sure, it leaves the pair alone.
#include "tests/headless/headless_fixture.h"

#include "app/quick_compare.h"

#include <filesystem>
#include <map>

namespace {

const std::string Suites = VARNOLT_TEST_DATA "/suites/";
const std::string Imaging = VARNOLT_TEST_DATA "/imaging/";

} // namespace

class Quick_Compare_Test : public Headless {
protected:
    // Runs the pair both ways with the options after "--compare"; true when
    // the quick path answered (and then agreed with the whole comparison).
    bool Agrees(std::vector<std::string> Arguments)
    {
        const int whole = Compare(Arguments);
        Arguments.insert(Arguments.begin(), {"varnolt", "--compare"});
        std::ostringstream quick_out;
        const std::optional<int> quick = Quick_Compare(Parse_Command_Options(Arguments), quick_out);
        if (!quick) {
            EXPECT_EQ(quick_out.str(), "") << "declined after printing";
            return false;
        }
        EXPECT_EQ(*quick, whole) << Arguments.back() << "\n" << Out << Err;
        EXPECT_EQ(quick_out.str(), Out) << Err;
        EXPECT_EQ(Err, "") << "the whole comparison reported an error the quick one did not";
        return true;
    }
    std::string Copy(const std::string& File, const std::string& Name)
    {
        const std::string copy = dir / Name;
        fs::copy_file(File, copy, fs::copy_options::overwrite_existing);
        return copy;
    }
};

TEST_F(Quick_Compare_Test, AgreesWithTheWholeComparisonOnPngSuite)
{
    // Every file against a copy of itself and against the next file of the
    // suite, with and without options that change the report.
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(Suites + "pngsuite"))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    const std::vector<std::vector<std::string>> option_sets = {
        {}, {"--json"}, {"--tolerance", "0", "--max-changed-pixels", "10"}, {"--only-changes"}};
    int answered = 0, damaged_answered = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const bool damaged = fs::path(files[i]).filename().string().starts_with("x");
        const std::string copy = Copy(files[i], "copy.png");
        const std::string next = files[(i + 1) % files.size()];
        for (std::vector<std::string> options : option_sets) {
            std::vector<std::string> same = options, other = options;
            same.insert(same.end(), {files[i], copy});
            other.insert(other.end(), {files[i], next});
            const int before = answered;
            answered += Agrees(same) + Agrees(other);
            if (damaged)
                damaged_answered += answered - before;
        }
    }
    // Damaged files are left for the whole program, which names what is wrong.
    EXPECT_EQ(damaged_answered, 0);
    // Interlaced files decode only whole; nearly everything else is answered.
    EXPECT_GT(answered, int(files.size() * 4));
}

TEST_F(Quick_Compare_Test, AgreesOnJpegAndMixedPairs)
{
    const std::vector<std::string> jpegs = {Imaging + "rgb.jpg", Imaging + "progressive.jpg",
                                            Imaging + "cmyk.jpg",
                                            Suites + "bmpsuite/html/rgb24.jpg"};
    int answered = 0;
    for (const std::string& jpeg : jpegs) {
        answered += Agrees({"--json", jpeg, Copy(jpeg, "copy.jpg")});
        // Named .jpeg, read by the same reader: compared, not judged by bytes.
        answered += Agrees({jpeg, Copy(jpeg, "copy.jpeg")});
        for (const std::string& other : jpegs)
            answered += Agrees({"--json", jpeg, other});
        answered += Agrees({jpeg, Suites + "pngsuite/basn2c08.png"});
    }
    EXPECT_GT(answered, 10);

    // A JPEG cut short is the whole program's to report, on both sides alike.
    const std::string whole = test::Read_File(Imaging + "rgb.jpg");
    test::Write_File(dir / "cut.jpg", whole.substr(0, whole.size() / 2));
    EXPECT_FALSE(Agrees({dir / "cut.jpg", Copy(dir / "cut.jpg", "cut_copy.jpg")}));
    EXPECT_EQ(Compare({dir / "cut.jpg", dir / "cut_copy.jpg"}), 2);
}

TEST_F(Quick_Compare_Test, LeavesEverythingElseToTheWholeProgram)
{
    Make_Png(dir / "old.png", 40, 30, {{2, 2, 5, 5}});
    Make_Png(dir / "new.png", 40, 30, {{20, 2, 5, 5}});
    Make_Png(dir / "mask.png", 40, 30);
    ASSERT_TRUE(QImage(QString::fromStdString(dir / "old.png"))
                    .save(QString::fromStdString(dir / "old.bmp")));
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    const std::string old_png = dir / "old.png", new_png = dir / "new.png";
    const std::map<std::string, std::vector<std::string>> declined = {
        {"a picture written", {"--output", dir / "diff.png", old_png, new_png}},
        {"a report", {"--report", dir / "report", old_png, new_png}},
        {"JUnit", {"--junit", dir / "junit.xml", old_png, new_png}},
        {"alignment", {"--align", "shift", old_png, new_png}},
        {"a mask", {"--mask", dir / "mask.png", old_png, new_png}},
        {"another format", {dir / "old.bmp", new_png}},
        {"a missing file", {old_png, dir / "missing.png"}},
        {"the null device", {"/dev/null", new_png}},
        {"folders", {dir / "a", dir / "b"}},
        {"a name that is not UTF-8", {old_png, Copy(new_png, "pl\xE9n.png")}},
    };
    for (const auto& [what, arguments] : declined) {
        std::vector<std::string> line = {"varnolt", "--compare"};
        line.insert(line.end(), arguments.begin(), arguments.end());
        const T_Command_Options options = Parse_Command_Options(line);
        ASSERT_EQ(options.Action, T_Command_Options::T_Action::Compare) << what << options.Error;
        std::ostringstream out;
        EXPECT_FALSE(Quick_Compare(options, out)) << what;
        EXPECT_EQ(out.str(), "") << what;
    }
    // Areas left out by rectangles are the quick path's too.
    EXPECT_TRUE(Agrees({"--ignore", "18,0,10,10", "--json", old_png, new_png}));
}
