#include "headless_compare.h"

#include "U_Msg.h"
#include "content_pairing.h"
#include "differences_picture.h"
#include "folder_files.h"
#include "document_exporters.h"
#include "file_name_fit.h"
#include "os_platform.h"
#include "pair_report.h"
#include "pdf_page_signatures.h"
#include "picture_compare.h"
#include "u_diff_launcher.h"
#include "u_diff_session.h"
#include "u_image_compare.h"
#include "u_image_load.h"
#include "u_temp_files.h"

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace {

// A message of the catalogue on one line.
std::string One_Line(std::string text)
{
    std::erase(text, '\r');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Why a name is no file that can be compared.
T_Msg_Id File_Check_Message(os::T_File_Check Check)
{
    switch (Check) {
    case os::T_File_Check::Folder:
        return cap_File_Is_Folder;
    case os::T_File_Check::Not_Regular:
        return cap_File_Not_Regular;
    case os::T_File_Check::No_Permission:
        return cap_File_Not_Readable;
    case os::T_File_Check::Regular:
    case os::T_File_Check::Missing:
        break;
    }
    return cap_File_Not_Found;
}

class T_Headless_Run {
public:
    T_Headless_Run(const T_Command_Options& Options, std::ostream& Out, std::ostream& Err)
        : Options_(Options), Out_(Out), Err_(Err)
    {
        Difference_Options.Ignore_Antialiasing = Options.Ignore_Antialiasing;
        if (Options.Tolerance >= 0)
            Difference_Options.Tolerance = Options.Tolerance;
    }

    // Compares one pair of files under the names they are reported by.
    void Compare_Files(const std::string& Old, const std::string& New, const std::string& Old_Name,
                       const std::string& New_Name, bool Bytes_Otherwise);
    void Compare_Folders(const std::string& Old, const std::string& New);
    void Report(T_Pair_Report& Report);
    // What the run ends with: 2 also when a differences picture asked for
    // could not be written.
    int Exit_Code() const { return Output_Failed ? 2 : Totals_.Exit_Code(); }

private:
    void Compare_Pictures_Of(const std::string& Old, const std::string& New, T_Pair_Report Report);
    void Compare_Paged(std::string Old, const std::string& New, T_Paged_Kind Kind,
                       const T_Pair_Report& Names);
    void Compare_Bytes(const std::string& Old, const std::string& New, T_Pair_Report Report);
    void Write_Output(const QImage& Modified, const T_Difference& Difference);

    const T_Command_Options& Options_;
    std::ostream& Out_;
    std::ostream& Err_;
    T_Difference_Options Difference_Options;
    T_Report_Totals Totals_;
    int Outputs = 0;
    bool Output_Failed = false;
};

void T_Headless_Run::Report(T_Pair_Report& Report)
{
    if (Report.Result == T_Pair_Report::T_Result::Error)
        Err_ << "varnolt: " << Report.Old_Name << ": " << Report.Error << "\n";
    Totals_.Count(Report.Result);
    Print_Report(Out_, Report, Options_.Json);
}

void T_Headless_Run::Write_Output(const QImage& Modified, const T_Difference& Difference)
{
    if (Options_.Output.empty())
        return;
    // Later pairs (pages, files of folders) get a number before the ending.
    std::string name = Options_.Output;
    if (Outputs > 0) {
        const fs::path path = os::Utf8_Path(name);
        fs::path numbered = path.stem();
        numbered += "_" + std::to_string(Outputs + 1);
        numbered += path.extension();
        name = os::Utf8_Name(path.parent_path() / numbered);
    }
    ++Outputs;
    if (!Differences_Picture(Modified, Difference, Difference_Options.Offset_X,
                             Difference_Options.Offset_Y)
             .save(QString::fromStdString(name), "png")) {
        Err_ << "varnolt: cannot write " << name << "\n";
        Output_Failed = true;
    }
}

void T_Headless_Run::Compare_Pictures_Of(const std::string& Old, const std::string& New,
                                         T_Pair_Report Report)
{
    // The base is read with the modified file's format as a hint, as the
    // window does.
    T_Loaded_Picture old_picture = Load_Picture(Old, New), new_picture = Load_Picture(New);
    for (const T_Loaded_Picture* picture : {&old_picture, &new_picture}) {
        if (picture->Result == T_Picture_Load_Result::Loaded)
            continue;
        Report.Result = T_Pair_Report::T_Result::Error;
        Report.Error = One_Line(Get_Msg(picture->Result == T_Picture_Load_Result::Too_Large
                                            ? cap_Image_Too_Large
                                            : cap_Image_Unreadable)) +
                       " (" + (picture == &old_picture ? Report.Old_Name : Report.New_Name) + ")";
        this->Report(Report);
        return;
    }
    const QImage& base = old_picture.Image;
    const QImage& modified = new_picture.Image;
    T_Difference difference = Compare_Decoded_Pictures(base, modified, Difference_Options);
    Report.Old_Width = base.width();
    Report.Old_Height = base.height();
    Report.New_Width = modified.width();
    Report.New_Height = modified.height();
    Report.Difference = &difference;
    Report.Result = difference.Changed_Pixels == 0 ? T_Pair_Report::T_Result::Identical
                                                   : T_Pair_Report::T_Result::Different;
    Write_Output(modified, difference);
    this->Report(Report);
}

void T_Headless_Run::Compare_Paged(std::string Old, const std::string& New, T_Paged_Kind Kind,
                                   const T_Pair_Report& Names)
{
    // The page pictures are named after the base: a copy of it in the
    // private folder keeps them out of the user's folder.
    Copy_Base_To_Temp(Old, Fit_File_Name(File_Name_Part(New), Max_File_Name_Bytes - 24));
    T_Diff_Session session(Old, New, T_Converter_Kind::None, Kind, {Create_Document_Exporter, {}});
    if (T_Work_Result opened = session.Open(); !opened.Done()) {
        T_Pair_Report report = Names;
        report.Result = T_Pair_Report::T_Result::Error;
        report.Error = One_Line(opened.Message);
        Report(report);
        return;
    }
    const T_Page_List old_pages = session.Pages(T_Side::Left);
    const T_Page_List new_pages = session.Pages(T_Side::Right);
    // PDF pages pair by what they show; drawings by their page identifiers.
    std::vector<int> partner(std::size_t(old_pages.Count()), -1);
    if (Kind == T_Paged_Kind::Pdf) {
        const std::atomic<bool> never(false);
        partner = Pair_By_Content(Pdf_Page_Signatures(session.LeftFile, never),
                                  Pdf_Page_Signatures(New, never))
                      .Pairs.Left_To_Right;
        partner.resize(std::size_t(old_pages.Count()), -1);
    } else {
        for (int page = 0; page < old_pages.Count(); ++page)
            for (int other = 0; other < new_pages.Count() && partner[std::size_t(page)] < 0;
                 ++other)
                if (new_pages[other].ID == old_pages[page].ID)
                    partner[std::size_t(page)] = other;
    }
    std::set<int> paired;
    for (int page = 0; page < old_pages.Count(); ++page) {
        T_Pair_Report report = Names;
        report.Old_Page = old_pages[page].Name;
        const int other = partner[std::size_t(page)];
        if (other < 0) {
            report.Result = T_Pair_Report::T_Result::Only_Old;
            Report(report);
            continue;
        }
        paired.insert(other);
        report.New_Page = new_pages[other].Name;
        T_Work_Result left = session.Show_Page(T_Side::Left, page);
        T_Work_Result right = left.Done() ? session.Show_Page(T_Side::Right, other) : left;
        if (!right.Done()) {
            report.Result = T_Pair_Report::T_Result::Error;
            report.Error = One_Line(right.Message);
            Report(report);
            continue;
        }
        Compare_Pictures_Of(left.File, right.File, report);
    }
    for (int page = 0; page < new_pages.Count(); ++page) {
        if (paired.count(page))
            continue;
        T_Pair_Report report = Names;
        report.New_Page = new_pages[page].Name;
        report.Result = T_Pair_Report::T_Result::Only_New;
        Report(report);
    }
}

void T_Headless_Run::Compare_Bytes(const std::string& Old, const std::string& New,
                                   T_Pair_Report Report)
{
    Report.Result = Same_Bytes(Old, New) ? T_Pair_Report::T_Result::Identical
                                         : T_Pair_Report::T_Result::Different;
    this->Report(Report);
}

void T_Headless_Run::Compare_Files(const std::string& Old, const std::string& New,
                                   const std::string& Old_Name, const std::string& New_Name,
                                   bool Bytes_Otherwise)
{
    T_Pair_Report report;
    report.Old_Name = Old_Name;
    report.New_Name = New_Name;
    // The null device stands for a version that does not exist (git passes
    // it for an added or deleted file): the other one was added or removed.
    const bool old_missing = os::Is_Null_Device(Old), new_missing = os::Is_Null_Device(New);
    if (old_missing || new_missing) {
        report.Result = old_missing && new_missing ? T_Pair_Report::T_Result::Identical
                        : old_missing              ? T_Pair_Report::T_Result::Only_New
                                                   : T_Pair_Report::T_Result::Only_Old;
        const std::string& present = old_missing ? New : Old;
        if (!(old_missing && new_missing) &&
            os::Check_Input_File(present) != os::T_File_Check::Regular) {
            report.Result = T_Pair_Report::T_Result::Error;
            report.Error = One_Line(Get_Msg(File_Check_Message(os::Check_Input_File(present)))) +
                           " " + present;
        }
        Report(report);
        return;
    }
    for (const std::string* name : {&Old, &New}) {
        const os::T_File_Check check = os::Check_Input_File(*name);
        if (check == os::T_File_Check::Regular)
            continue;
        report.Result = T_Pair_Report::T_Result::Error;
        report.Error = One_Line(Get_Msg(File_Check_Message(check))) + " " + *name;
        Report(report);
        return;
    }
    T_Converter_Kind converter;
    T_Paged_Kind paged;
    switch (Classify_File(New, converter, paged)) {
    case dk_Image:
        return Compare_Pictures_Of(Old, New, report);
    case dk_Convert: {
        std::string old_png = Old, new_png = New;
        if (T_Work_Result converted = Convert_Pair(converter, new_png, old_png);
            !converted.Done()) {
            report.Result = T_Pair_Report::T_Result::Error;
            report.Error = One_Line(converted.Message);
            Report(report);
            return;
        }
        return Compare_Pictures_Of(old_png, new_png, report);
    }
    case dk_Paged:
        return Compare_Paged(Old, New, paged, report);
    case dk_Word:
    case dk_Unsupported:
        break;
    }
    if (Bytes_Otherwise)
        return Compare_Bytes(Old, New, report);
    report.Result = T_Pair_Report::T_Result::Error;
    report.Error = "File format is not supported!";
    Report(report);
}

void T_Headless_Run::Compare_Folders(const std::string& Old, const std::string& New)
{
    // A folder that cannot be read is no comparison: the files in it would
    // pass for files present on one side only, or not be seen at all.
    std::error_code old_error, new_error;
    const std::set<std::string> old_files = Files_Below(Old, &old_error),
                                new_files = Files_Below(New, &new_error);
    if (old_error || new_error) {
        T_Pair_Report report;
        report.Old_Name = Old;
        report.New_Name = New;
        report.Result = T_Pair_Report::T_Result::Error;
        report.Error =
            "cannot read the folder (" + (old_error ? old_error : new_error).message() + ")";
        Report(report);
        Print_Totals(Out_, Totals_, Options_.Json);
        return;
    }
    std::set<std::string> all = old_files;
    all.insert(new_files.begin(), new_files.end());
    for (const std::string& name : all) {
        T_Pair_Report report;
        report.Old_Name = report.New_Name = name;
        if (!new_files.count(name))
            report.Result = T_Pair_Report::T_Result::Only_Old;
        else if (!old_files.count(name))
            report.Result = T_Pair_Report::T_Result::Only_New;
        else {
            Compare_Files(Path_In(Old, name), Path_In(New, name), name, name, true);
            continue;
        }
        Report(report);
    }
    Print_Totals(Out_, Totals_, Options_.Json);
}

} // namespace

int Run_Headless_Compare(const T_Command_Options& Options, std::ostream& Out, std::ostream& Err)
{
    Prepare_Temp_Folder();
    T_Headless_Run run(Options, Out, Err);
    const std::string& old_name = Options.Names[0];
    const std::string& new_name = Options.Names[1];
    std::error_code error;
    if (fs::is_directory(old_name, error) && fs::is_directory(new_name, error))
        run.Compare_Folders(old_name, new_name);
    else
        run.Compare_Files(old_name, new_name, old_name, new_name, false);
    return run.Exit_Code();
}
