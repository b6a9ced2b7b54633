#include "headless_compare.h"

#include "differences_picture.h"
#include "document_exporters.h"
#include "folder_files.h"
#include "os_platform.h"
#include "pair_pipeline.h"
#include "pair_report.h"
#include "u_temp_files.h"

#include <QImage>

#include <filesystem>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace {

class T_Headless_Run {
public:
    T_Headless_Run(const T_Command_Options& Options, std::ostream& Out, std::ostream& Err)
        : Options_(Options), Out_(Out), Err_(Err)
    {
        Settings.Differences.Ignore_Antialiasing = Options.Ignore_Antialiasing;
        if (Options.Tolerance >= 0)
            Settings.Differences.Tolerance = Options.Tolerance;
        Settings.Make_Exporter = Create_Document_Exporter;
        Settings.On_Pair = [this](const T_Compared_Pair& pair) { Report(pair); };
    }

    // Compares one pair of files under the names they are reported by.
    void Compare_Files(const std::string& Old, const std::string& New, const std::string& Old_Name,
                       const std::string& New_Name, bool Bytes_Otherwise)
    {
        Settings.Bytes_Otherwise = Bytes_Otherwise;
        Compare_Pair(Old, New, Old_Name, New_Name, Settings);
    }
    void Compare_Folders(const std::string& Old, const std::string& New);
    void Report(const T_Pair_Report& Report);
    // What the run ends with: 2 also when a differences picture asked for
    // could not be written.
    int Exit_Code() const { return Output_Failed ? 2 : Totals_.Exit_Code(); }

private:
    void Write_Output(const QImage& Modified, const T_Difference& Difference);

    const T_Command_Options& Options_;
    std::ostream& Out_;
    std::ostream& Err_;
    T_Pair_Settings Settings;
    T_Report_Totals Totals_;
    int Outputs = 0;
    bool Output_Failed = false;
};

void T_Headless_Run::Report(const T_Pair_Report& Report)
{
    if (Report.Difference)
        Write_Output(Report.Modified, *Report.Difference);
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
    if (!Differences_Picture(Modified, Difference, Settings.Differences.Offset_X,
                             Settings.Differences.Offset_Y)
             .save(QString::fromStdString(name), "png")) {
        Err_ << "varnolt: cannot write " << name << "\n";
        Output_Failed = true;
    }
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
