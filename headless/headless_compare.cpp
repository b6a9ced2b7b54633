#include "headless/headless_compare.h"

#include "headless/differences_picture.h"
#include "pdf/document_exporters.h"
#include "session/folder_comparison.h"
#include "session/folder_files.h"
#include "headless/folder_shards.h"
#include "headless/compared_modified.h"
#include "headless/html_report_folder.h"
#include "headless/html_report_page.h"
#include "imaging/ignore_mask.h"
#include "headless/junit_report.h"
#include "automation/office_text_compare.h"
#include "platform/os_platform.h"
#include "session/pair_pipeline.h"
#include "headless/pair_report.h"
#include "headless/report_records.h"
#include "headless/run_options.h"
#include "vocabulary/picture_limit.h"
#include "headless/png_file.h"
#include "session/rows_in_order.h"
#include "engine/u_temp_files.h"
#include "vocabulary/utf8_text.h"

#include <QImage>

#include <chrono>
#include <filesystem>
#include <cmath>
#include <ostream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A file path that can stand inside a folder: a page name (any text) may
// hold separators.
std::string Path_Safe(std::string Text)
{
    for (char& c : Text)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return Text;
}

// Whether Path is one of the names compared, or lies inside a folder that
// is compared (links followed): an output there would destroy an input.
bool Is_Input_Or_Inside(const T_Command_Options& Options, const std::string& Path)
{
    std::error_code error;
    const fs::path target = fs::weakly_canonical(os::Utf8_Path(Path), error);
    if (error)
        return false;
    for (const std::string& input : Options.Names) {
        std::error_code input_error;
        const fs::path source = fs::weakly_canonical(os::Utf8_Path(input), input_error);
        if (input_error)
            continue;
        if (target == source)
            return true;
        if (fs::is_directory(source, input_error)) {
            const fs::path inside = target.lexically_relative(source);
            if (!inside.empty() && *inside.begin() != "..")
                return true;
        }
    }
    return false;
}

// Whether a report folder would overlap what is compared: it is a name
// compared, lies inside a folder compared, or holds a name compared (its
// previous pictures are removed).
bool Overlaps_An_Input(const T_Command_Options& Options, const std::string& Folder)
{
    if (Is_Input_Or_Inside(Options, Folder))
        return true;
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(os::Utf8_Path(Folder), error);
    if (error)
        return false;
    for (const std::string& input : Options.Names) {
        const fs::path source = fs::weakly_canonical(os::Utf8_Path(input), error);
        const fs::path inside = source.lexically_relative(folder);
        if (!error && !inside.empty() && *inside.begin() != "..")
            return true;
    }
    return false;
}

// A device or a pipe (links followed: /dev/stdout): written in place,
// never made or replaced.
bool Is_Device(const std::string& Path)
{
    std::error_code error;
    const fs::file_status status = fs::status(os::Utf8_Path(Path), error);
    return fs::is_character_file(status) || fs::is_fifo(status);
}

bool Is_Folder_Pair(const T_Command_Options& Options)
{
    std::error_code error;
    return fs::is_directory(os::Utf8_Path(Options.Names[0]), error) &&
           fs::is_directory(os::Utf8_Path(Options.Names[1]), error);
}

using T_Clock = std::chrono::steady_clock;

double Seconds_Since(T_Clock::time_point& Mark)
{
    const T_Clock::time_point now = T_Clock::now();
    const double seconds = std::chrono::duration<double>(now - Mark).count();
    Mark = now;
    return seconds;
}

// A pair's report, the time its comparison took and the pictures written
// for it into an HTML report.
struct T_Timed_Report {
    T_Pair_Report Report;
    double Seconds = 0;
    T_Report_Pictures Pictures;
};

// What the comparison leaves out, from the options: false with the reason
// (naming the bad file or line) when a file cannot be read or is wrong.
bool Ignore_Areas_From(const T_Command_Options& Options, T_Ignore_Areas& Areas, std::string& Error)
{
    Areas.Rectangles = Options.Ignore;
    return (Options.Ignore_File.empty() || Load_Ignore_File(Options.Ignore_File, Areas, Error)) &&
           (Options.Mask.empty() || Load_Ignore_Mask(Options.Mask, Areas, Error));
}

class T_Headless_Run {
public:
    T_Headless_Run(const T_Command_Options& Options, T_Ignore_Areas Ignore, std::ostream& Out,
                   std::ostream& Err)
        : Options_(Options), Out_(Out), Err_(Err), Rules_(T_Acceptance_Rules::From(Options))
    {
        Settings.Differences = Difference_Options_Of(Options, std::move(Ignore));
        Settings.Make_Exporter = Create_Document_Exporter;
        Settings.Compare_Text = Compare_Text_Documents;
        Settings.Keep_Modified_Picture = !Options.Output.empty() || !Options.Report.empty();
        Settings.Stream_Stored_Pngs = Options.Output.empty();
        Settings.Align = Options.Align;
        // A lone pair's picture of the differences is written even when the
        // pair is identical; a folder's only for changed pairs.
        Settings.Same_Bytes_First = Options.Output.empty() || Is_Folder_Pair(Options);
        Settings.On_Pair = [this](const T_Compared_Pair& pair) {
            const double seconds = Seconds_Since(Pair_Start_);
            Report(pair, seconds, Report_Pictures(pair, 1, ++Pictures_Of_File_));
        };
        Html_.Old_Name = Options.Names[0];
        Html_.New_Name = Options.Names[1];
        Html_.Program_Version = VARNOLT_VERSION;
        Html_.Options = Html_Options_Of(Options, T_Difference_Options{}.Tolerance);
    }

    // Compares one pair of files, reported under the names given (a file
    // of no kind the program compares is an error here). Of parts of a
    // run, the pair belongs to the part of the new file's name.
    void Compare_Files(const std::string& Old, const std::string& New)
    {
        if (Options_.Shard_Count > 0 && Shard_Of(New, Options_.Shard_Count) != Options_.Shard)
            return;
        Pair_Start_ = T_Clock::now();
        Compare_Pair(Old, New, Old, New, Settings);
    }
    void Compare_Folders(const std::string& Old, const std::string& New);
    void Report(T_Pair_Report Report, double Seconds, const T_Report_Pictures& Pictures = {});
    // Compares one file of two folders (on a worker thread), putting out
    // a report per pair of pictures or pages as each is judged.
    void Folder_Row(const std::string& Old, const std::string& New, std::size_t Row,
                    const std::string& Name, bool In_Old, bool In_New,
                    const std::function<void(T_Timed_Report&&)>& Put) const;
    // Prints what waited for the end (the totals, and the pairs when the
    // totals go first) and writes the JUnit report.
    void Finish();
    // What the run ends with: 2 also when a differences picture or a report
    // asked for could not be written.
    // An interrupted run ends as the signal would have ended it (130 for
    // SIGINT), after its reports.
    int Exit_Code() const
    {
        if (Interrupt_ != 0)
            return 128 + Interrupt_;
        return Output_Failed ? 2 : Totals_.Exit_Code();
    }

private:
    // The pictures of a changed pair written into the HTML report, when
    // one is asked for: as soon as the pair is judged, on the thread that
    // judged it, so that no picture waits for the pairs before it.
    T_Report_Pictures Report_Pictures(const T_Compared_Pair& Pair, std::size_t File_Number,
                                      int Picture_Number) const;
    void Add_Html_Entry(const T_Pair_Report& Report, const T_Acceptance& Acceptance,
                        const T_Report_Pictures& Pictures);
    std::string Output_Name(const T_Pair_Report& Report);
    bool Write_Output(const T_Pair_Report& Report, const std::string& Name);
    bool Prepare_Output_Folder();

    const T_Command_Options& Options_;
    std::ostream& Out_;
    std::ostream& Err_;
    const T_Acceptance_Rules Rules_;
    T_Pair_Settings Settings;
    T_Report_Totals Totals_;
    bool Totals_Wanted_ = false;           // a folder comparison ends with its totals
    std::string Held_;                     // the pairs' lines, when the totals go first
    std::vector<T_Report_Record> Records_; // for the JUnit report
    T_Html_Report Html_;                   // for the HTML report
    int Pictures_Of_File_ = 0;             // the pairs of a single pair of files so far
    const T_Clock::time_point Start_ = T_Clock::now();
    T_Clock::time_point Pair_Start_ = Start_;
    int Outputs = 0;
    bool Output_Failed = false;
    bool Folder_Run = false; // the output is a folder of pictures
    int Interrupt_ = 0;      // the signal that stopped the run, or 0
};

T_Report_Pictures T_Headless_Run::Report_Pictures(const T_Compared_Pair& Pair,
                                                  std::size_t File_Number, int Picture_Number) const
{
    if (Options_.Report.empty() || Is_Device(Options_.Report))
        return {};
    return Write_Report_Pictures(Options_.Report, Pair, Settings.Differences, File_Number,
                                 Picture_Number);
}

void T_Headless_Run::Report(T_Pair_Report Report, double Seconds, const T_Report_Pictures& Pictures)
{
    if (Report.Difference && !Options_.Output.empty()) {
        const std::string name = Output_Name(Report);
        if (!name.empty() && Write_Output(Report, name))
            Report.Output = name;
    }
    // The message names the file at fault itself.
    if (Report.Result == T_Pair_Report::T_Result::Error)
        Err_ << "varnolt: " << Terminal_Safe(Report.Error) << "\n";
    const T_Acceptance acceptance = Judge_Acceptance(Report, Rules_);
    Totals_.Count(Report.Result, acceptance.Accepted);
    if (!Options_.Junit.empty())
        Records_.push_back(Record_Of(Report, acceptance, Seconds));
    if (!Options_.Report.empty())
        Add_Html_Entry(Report, acceptance, Pictures);
    if (Options_.Only_Changes && Report.Result == T_Pair_Report::T_Result::Identical)
        return;
    if (Options_.Summary_First) {
        std::ostringstream line;
        Print_Report(line, Report, Options_.Json, acceptance, Rules_.Limits);
        Held_ += line.str();
        return;
    }
    Print_Report(Out_, Report, Options_.Json, acceptance, Rules_.Limits);
    // Each page pair's line is out as soon as the pair is judged: a run
    // over thousands of pages shows its progress, and a reader of the
    // stream need not wait for the end.
    Out_.flush();
}

void T_Headless_Run::Add_Html_Entry(const T_Pair_Report& Report, const T_Acceptance& Acceptance,
                                    const T_Report_Pictures& Pictures)
{
    if (!Pictures.Error.empty()) {
        Err_ << "varnolt: " << Terminal_Safe(Pictures.Error) << "\n";
        Output_Failed = true;
    }
    Html_.Totals.Count(Report.Result, Acceptance.Accepted);
    if (Options_.Only_Changes && Report.Result == T_Pair_Report::T_Result::Identical)
        return;
    T_Html_Entry entry = Html_Entry_Of(Report, Acceptance);
    if (Pictures.Written()) {
        entry.Base = Pictures.Base;
        entry.Modified = Pictures.Modified;
        entry.Differences = Pictures.Differences;
    }
    Html_.Entries.push_back(std::move(entry));
}

void T_Headless_Run::Finish()
{
    if (Interrupt_ != 0) {
        Totals_.Interrupted = Html_.Totals.Interrupted = true;
        Err_ << "varnolt: interrupted; the reports hold the pairs compared until then\n";
        // The JUnit report says so as an error of its own: a CI server
        // must not take the pairs so far for the whole run.
        T_Report_Record stopped;
        stopped.Old_Name = stopped.New_Name = "interrupted";
        stopped.Result = T_Verdict::Error;
        stopped.Accepted = false;
        stopped.Error = "the run was interrupted before every pair was compared";
        Records_.push_back(stopped);
    }
    if (Totals_Wanted_ && Options_.Summary_First)
        Print_Totals(Out_, Totals_, Options_.Json, Rules_.Limits);
    Out_ << Held_;
    if (Totals_Wanted_ && !Options_.Summary_First)
        Print_Totals(Out_, Totals_, Options_.Json, Rules_.Limits);
    Out_.flush();
    if (!Options_.Report.empty() && Is_Device(Options_.Report)) {
        // A device or a pipe takes the page alone: it holds its data and
        // script, and shows every pair without pictures.
        if (std::string why; !os::Write_File_Whole(Options_.Report, Html_Report_Page(Html_), why)) {
            Err_ << "varnolt: cannot write " << Terminal_Safe(Options_.Report) << ": " << why
                 << "\n";
            Output_Failed = true;
        }
    } else if (!Options_.Report.empty()) {
        if (std::string why; !Write_Report_Files(Options_.Report, Html_, why)) {
            Err_ << "varnolt: " << Terminal_Safe(why) << "\n";
            Output_Failed = true;
        }
    }
    if (Options_.Junit.empty())
        return;
    T_Clock::time_point start = Start_;
    std::string why;
    if (!os::Write_File_Whole(Options_.Junit, Junit_Xml(Records_, Seconds_Since(start)), why)) {
        Err_ << "varnolt: cannot write " << Terminal_Safe(Options_.Junit) << ": " << why << "\n";
        Output_Failed = true;
    }
}

std::string T_Headless_Run::Output_Name(const T_Pair_Report& Report)
{
    if (Folder_Run) {
        // One picture per changed pair, at the pair's own place below the
        // output folder: sub/a.jpg -> OUT/sub/a.jpg.png, a page of a
        // document -> OUT/sub/d.pdf.PAGE.png.
        if (Report.Result != T_Pair_Report::T_Result::Different)
            return {};
        std::string relative = Report.New_Name;
        if (Report.Compared_By == T_Compared_By::Pages)
            relative +=
                "." + Path_Safe(Report.New_Page.empty() ? Report.Old_Page : Report.New_Page);
        const bool png = relative.size() > 4 &&
                         QString::fromStdString(relative.substr(relative.size() - 4))
                                 .compare(QStringLiteral(".png"), Qt::CaseInsensitive) == 0 &&
                         Report.Compared_By != T_Compared_By::Pages;
        return Path_In(Options_.Output, png ? relative : relative + ".png");
    }
    // Later pairs (pages) get a number before the ending.
    std::string name = Options_.Output;
    if (Outputs > 0) {
        const fs::path path = os::Utf8_Path(name);
        fs::path numbered = path.stem();
        numbered += "_" + std::to_string(Outputs + 1);
        numbered += path.extension();
        name = os::Utf8_Name(path.parent_path() / numbered);
    }
    ++Outputs;
    return name;
}

bool T_Headless_Run::Write_Output(const T_Pair_Report& Report, const std::string& Name)
{
    std::error_code error;
    const fs::path folder = os::Utf8_Path(Name).parent_path();
    if (Folder_Run && !folder.empty() && !fs::is_directory(folder, error)) {
        // Each folder made on the way is the user's, like the pictures.
        std::vector<fs::path> made;
        for (fs::path at = folder; !at.empty() && !fs::exists(at, error); at = at.parent_path())
            made.push_back(at);
        fs::create_directories(folder, error);
        for (const fs::path& path : made)
            os::Give_User_Permissions(os::Utf8_Name(path));
    }
    // The picture's size is known before a pixel of it is made: two cheap
    // files of very different shapes (30000 x 1 and 1 x 30000) would
    // otherwise make gigabytes.
    const T_Difference& difference = *Report.Difference;
    if (!Picture_Fits(difference.Width, difference.Height)) {
        Err_ << "varnolt: cannot write " << Terminal_Safe(Name) << ": the picture would be "
             << difference.Width << " x " << difference.Height << " pixels, more than the limit of "
             << Max_Picture_Pixels << " pixels (" << Max_Picture_Side << " on a side)\n";
        Output_Failed = true;
        return false;
    }
    if (Is_Input_Or_Inside(Options_, Name)) {
        Err_ << "varnolt: cannot write " << Terminal_Safe(Name)
             << ": it is one of the files compared\n";
        Output_Failed = true;
        return false;
    }
    // The modified picture is drawn as it was compared: redrawn on the
    // base's pixels when the alignment redrew it, else moved by the whole
    // pixels it was compared at.
    const T_Compared_Modified compared =
        Compared_Modified(Report, Settings.Differences.Offset_X, Settings.Differences.Offset_Y);
    const std::string why =
        Save_Png(Differences_Picture(compared.Picture, *Report.Difference, compared.Offset_X,
                                     compared.Offset_Y, Settings.Differences.Ignore),
                 Name);
    if (!why.empty()) {
        Err_ << "varnolt: cannot write " << Terminal_Safe(Name) << ": " << why << "\n";
        Output_Failed = true;
        return false;
    }
    os::Give_User_Permissions(Name);
    return true;
}

// A folder comparison writes its pictures into the folder --output names
// (made when it does not exist); a file there is refused, never replaced.
bool T_Headless_Run::Prepare_Output_Folder()
{
    if (Options_.Output.empty())
        return true;
    Folder_Run = true;
    std::error_code error;
    const fs::path folder = os::Utf8_Path(Options_.Output);
    if (fs::is_directory(folder, error))
        return true;
    if (fs::exists(fs::symlink_status(folder, error))) {
        Err_ << "varnolt: --output must name a folder when two folders are compared: "
             << Terminal_Safe(Options_.Output) << " is a file\n";
        Output_Failed = true;
        return false;
    }
    return true;
}

void T_Headless_Run::Compare_Folders(const std::string& Old, const std::string& New)
{
    // A folder that cannot be read is no comparison: the files in it would
    // pass for files present on one side only, or not be seen at all.
    std::error_code old_error, new_error;
    const std::set<std::string> old_files = Files_Below(Old, &old_error),
                                new_files = Files_Below(New, &new_error);
    Totals_Wanted_ = true;
    if (old_error || new_error) {
        T_Pair_Report report;
        report.Old_Name = Old;
        report.New_Name = New;
        report.Result = T_Pair_Report::T_Result::Error;
        report.Error =
            "cannot read the folder (" + (old_error ? old_error : new_error).message() + ")";
        Report(report, 0);
        return;
    }
    if (!Prepare_Output_Folder())
        return;
    std::set<std::string> all = old_files;
    all.insert(new_files.begin(), new_files.end());
    std::vector<std::string> names;
    for (const std::string& name : all)
        if (Options_.Shard_Count == 0 || Shard_Of(name, Options_.Shard_Count) == Options_.Shard)
            names.push_back(name);
    // An interrupt stops the rows not begun; those under way finish, and
    // the reports are written for what was compared.
    os::Note_Interrupts();
    // Several pairs are compared at once; their reports come out in the
    // files' order all the same, each as soon as the files before it are
    // done. Pairs sure to have changed (present on one side, or of other
    // sizes) start before the pairs around them, most of which are the same
    // files in a CI folder and quick to judge: the long ones then do not
    // come last, with one worker left alone. Without pictures to write, a
    // report waiting for the rows before it is small, and more may wait.
    const std::size_t ahead = Options_.Output.empty() ? 64 : 0;
    const auto changed_for_sure = [&](std::size_t row) {
        const std::string& name = names[row];
        std::error_code error;
        return old_files.count(name) == 0 || new_files.count(name) == 0 ||
               fs::file_size(os::Utf8_Path(Path_In(Old, name)), error) !=
                   fs::file_size(os::Utf8_Path(Path_In(New, name)), error);
    };
    Run_Rows_In_Order<T_Timed_Report>(
        names.size(), unsigned(Options_.Jobs),
        [&](std::size_t row, const std::function<void(T_Timed_Report &&)>& put) {
            const std::string& name = names[row];
            Folder_Row(Old, New, row, name, old_files.count(name) > 0, new_files.count(name) > 0,
                       put);
        },
        [this](T_Timed_Report&& timed) {
            Report(std::move(timed.Report), timed.Seconds, timed.Pictures);
        },
        ahead, changed_for_sure);
    Interrupt_ = os::Interrupt_Noted();
}

void T_Headless_Run::Folder_Row(const std::string& Old, const std::string& New, std::size_t Row,
                                const std::string& Name, bool In_Old, bool In_New,
                                const std::function<void(T_Timed_Report&&)>& Put) const
{
    // A report may wait for the files before it; without a picture of the
    // differences to write, it holds no decoded picture (see the settings).
    // The HTML report's pictures are written here and let go at once.
    if (os::Interrupt_Noted() != 0)
        return;
    T_Pair_Settings settings = Folder_Row_Settings(Settings);
    T_Clock::time_point start = T_Clock::now();
    int pictures = 0;
    settings.On_Pair = [&](const T_Compared_Pair& pair) {
        T_Timed_Report timed{T_Pair_Report(pair), Seconds_Since(start),
                             Report_Pictures(pair, Row + 1, ++pictures)};
        if (Options_.Output.empty()) {
            timed.Report.Base = QImage();
            timed.Report.Modified = QImage();
            timed.Report.Compared_Modified = QImage();
        }
        Put(std::move(timed));
    };
    // A file on one side only goes through the pipeline too, which counts
    // its pages.
    Compare_Pair(In_Old ? Path_In(Old, Name) : No_Version, In_New ? Path_In(New, Name) : No_Version,
                 Name, Name, settings);
}

} // namespace

int Run_Headless_Compare(const T_Command_Options& Options, std::ostream& Out, std::ostream& Err)
{
    // The options in effect, as the JSON header names them.
    const T_Command_Options in_effect = Options_In_Effect(Options);
    if (!Options.Output.empty() && Is_Input_Or_Inside(Options, Options.Output)) {
        Err << "varnolt: --output must not name a file compared or lie inside a folder compared: "
            << Terminal_Safe(Options.Output) << "\n";
        return 2;
    }
    // The folders earlier runs left are swept after the work, never
    // before the first pair, and only for a moment.
    Prepare_Temp_Folder(T_Earlier_Runs::Swept_Later);
    // A run without a window keeps nothing for later: its pages, copies and
    // the converter's files go when it ends, however it ends.
    struct T_Temp_Folder_Removal {
        ~T_Temp_Folder_Removal()
        {
            Remove_Temp_Folder();
            Sweep_Earlier_Runs(std::chrono::milliseconds(50));
        }
    } removal;
    T_Ignore_Areas ignore;
    if (std::string why; !Ignore_Areas_From(Options, ignore, why)) {
        Err << "varnolt: " << Terminal_Safe(why) << "\n";
        return 2;
    }
    if (!Options.Report.empty() && !Is_Device(Options.Report)) {
        std::string why;
        if (Overlaps_An_Input(Options, Options.Report))
            why = "it must not be one of the names compared, lie inside one or hold one";
        // The folder holds a report from the start (marked interrupted
        // until the run ends), so that however the run ends, the next one
        // may take the folder.
        T_Html_Report started;
        started.Old_Name = Options.Names[0];
        started.New_Name = Options.Names[1];
        started.Program_Version = VARNOLT_VERSION;
        started.Totals.Interrupted = true;
        if (!why.empty() || !Prepare_Report_Folder(Options.Report, why) ||
            !Write_Report_Files(Options.Report, started, why)) {
            Err << "varnolt: --report " << Terminal_Safe(Options.Report) << ": "
                << Terminal_Safe(why) << "\n";
            return 2;
        }
    }
    if (Options.Json)
        Print_Json_Header(Out, in_effect, T_Difference_Options{});
    T_Headless_Run run(in_effect, std::move(ignore), Out, Err);
    const std::string& old_name = Options.Names[0];
    const std::string& new_name = Options.Names[1];
    std::error_code error;
    if (fs::is_directory(old_name, error) && fs::is_directory(new_name, error))
        run.Compare_Folders(old_name, new_name);
    else
        run.Compare_Files(old_name, new_name);
    run.Finish();
    return run.Exit_Code();
}
