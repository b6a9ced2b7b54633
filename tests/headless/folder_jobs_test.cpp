// Two folders compared several pairs at once: the report is the one a
// single worker gives, record for record, in the files' order, and so are
// the pictures of the differences.
#include "tests/headless/headless_fixture.h"
#include "session/row_workers.h"
#include "tests/pdf/test_pdf_writer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <map>

namespace {

class Folder_Jobs : public Headless {
protected:
    void SetUp() override
    {
        Headless::SetUp();
        for (const char* side : {"old", "new"})
            for (const char* sub : {"/sub1", "/sub2"})
                fs::create_directories(dir / side + sub);
        // A large changed picture first: it ends after the small pairs
        // behind it, which must still be reported after it.
        Make_Png(dir / "old/a_large.png", 1600, 1200, {{100, 100, 300, 200}});
        Make_Png(dir / "new/a_large.png", 1600, 1200, {{110, 100, 300, 200}});
        for (int index = 0; index < 24; ++index) {
            const std::string name =
                "/p" + std::to_string(index / 10) + std::to_string(index % 10) + ".png";
            Make_Png(dir / "old" + name, 60 + index, 40, {{5, 5, 10, 10}});
            Make_Png(dir / "new" + name, 60 + index, 40,
                     {{5, 5, 10, 10}, {20, 20, index % 3 == 0 ? index : 0, 3}});
        }
        test::Write_File(dir / "old/notes.txt", "first");
        test::Write_File(dir / "new/notes.txt", "second");
        test::Write_File(dir / "old/readme.txt", "the same");
        test::Write_File(dir / "new/readme.txt", "the same");
        Make_Png(dir / "old/gone.png", 10, 10);
        Make_Png(dir / "new/added.png", 10, 10);
        test::Write_File(dir / "old/broken.png", "not a picture");
        test::Write_File(dir / "new/broken.png", "not a picture either");
        if (test::Converter_Is_ImageMagick) {
            // Drawn by the converter, several at once.
            for (const char* name : {"/sub1/icon.svg", "/sub2/icon.svg"}) {
                test::Write_File(dir / "old" + name, Svg(5));
                test::Write_File(dir / "new" + name, Svg(name[4] == '1' ? 5 : 9));
            }
        }
#ifndef VARNOLT_TEST_NO_PDF
        // Documents of the same name in two sub-folders, compared at the
        // same time: their copies and pages must not meet.
        auto page = [](double x) { return test::Pdf_Page{300, 200, test::Box(x, 50, 60, 40)}; };
        test::Write_File(dir / "old/sub1/sheet.pdf", test::Make_Pdf({page(20), page(120)}));
        test::Write_File(dir / "new/sub1/sheet.pdf",
                         test::Make_Pdf({page(20), page(70), page(120)}));
        test::Write_File(dir / "old/sub2/sheet.pdf", test::Make_Pdf({page(200), page(30)}));
        test::Write_File(dir / "new/sub2/sheet.pdf", test::Make_Pdf({page(200), page(40)}));
#endif
    }

    static std::string Svg(int x)
    {
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"30\">"
               "<rect width=\"40\" height=\"30\" fill=\"white\"/><rect x=\"" +
               std::to_string(x) + "\" y=\"5\" width=\"10\" height=\"10\" fill=\"black\"/></svg>";
    }

    // Every file below Folder with its bytes, by its path inside.
    static std::map<std::string, std::string> Files_In(const fs::path& Folder)
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(Folder))
            if (entry.is_regular_file())
                files[entry.path().lexically_relative(Folder).generic_string()] =
                    test::Read_File(entry.path().string());
        return files;
    }
};

TEST_F(Folder_Jobs, FourWorkersPrintWhatOnePrintsInTheFilesOrder)
{
    EXPECT_EQ(Compare({"--jobs", "1", dir / "old", dir / "new"}), 2);
    const std::string one = Out, one_errors = Err;
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(Compare({"--jobs", "4", dir / "old", dir / "new"}), 2);
        EXPECT_EQ(Out, one);
        EXPECT_EQ(Err, one_errors);
    }
    // Every kind of record is there, in the files' order.
    const std::vector<std::string> in_order = {"a_large.png: ",
                                               "added.png: only in the new version",
                                               "broken.png: ",
                                               "gone.png: only in the old version",
                                               "notes.txt: different",
                                               "p00.png: ",
                                               "p23.png: ",
                                               "readme.txt: identical",
                                               "Totals: "};
    std::size_t at = 0;
    for (const std::string& record : in_order) {
        const std::size_t found = one.find(record, at);
        EXPECT_NE(found, std::string::npos) << record << " after " << at << " in\n" << one;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_NE(one_errors.find("broken.png"), std::string::npos) << one_errors;
#ifndef VARNOLT_TEST_NO_PDF
    EXPECT_NE(one.find("sub1/sheet.pdf (page - / 2): only in new\n"), std::string::npos) << one;
    EXPECT_NE(one.find("sub2/sheet.pdf (page 2 / 2): "), std::string::npos) << one;
#endif
}

TEST_F(Folder_Jobs, FourWorkersWriteTheSameJsonAndPictures)
{
    EXPECT_EQ(Compare({"--json", "--jobs", "1", "--output", dir / "one", dir / "old", dir / "new"}),
              2);
    const std::string one = Out;
    EXPECT_EQ(
        Compare({"--json", "--jobs", "4", "--output", dir / "four", dir / "old", dir / "new"}), 2);
    const std::string four = Out;
    // The header names the workers; the records after it are the same but
    // for the folder of pictures they name.
    const std::size_t one_end = one.find('\n'), four_end = four.find('\n');
    ASSERT_NE(one_end, std::string::npos);
    ASSERT_NE(four_end, std::string::npos);
    auto jobs = [](const std::string& header) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(header))
            .object()[u"options"]
            .toObject()[u"jobs"]
            .toInt();
    };
    EXPECT_EQ(jobs(one.substr(0, one_end)), 1);
    EXPECT_EQ(jobs(four.substr(0, four_end)), 4);
    std::string records = one.substr(one_end);
    // The folders as JSON writes them (a Windows path's backslashes doubled).
    const auto in_json = [](std::string path) {
        for (std::size_t at = path.find('\\'); at != std::string::npos;
             at = path.find('\\', at + 2))
            path.insert(at, 1, '\\');
        return path;
    };
    const std::string one_folder = in_json(dir / "one"), four_folder = in_json(dir / "four");
    for (std::size_t at = records.find(one_folder); at != std::string::npos;
         at = records.find(one_folder, at))
        records.replace(at, one_folder.size(), four_folder);
    EXPECT_EQ(four.substr(four_end), records);
    const std::map<std::string, std::string> pictures = Files_In(dir.Path / "one");
    EXPECT_TRUE(pictures.count("a_large.png"));
    EXPECT_TRUE(pictures.count("p03.png"));
    EXPECT_EQ(Files_In(dir.Path / "four"), pictures);

    // Without a count, one worker per core, named in the header.
    EXPECT_EQ(Compare({"--json", dir / "old/p01.png", dir / "new/p01.png"}), 0);
    EXPECT_EQ(jobs(Out.substr(0, Out.find('\n'))), int(Default_Workers()));
}

} // namespace
