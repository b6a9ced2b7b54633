#include "app/quick_compare.h"

#include "headless/pair_acceptance.h"
#include "headless/pair_report.h"
#include "headless/run_options.h"
#include "imaging/streamed_files.h"
#include "platform/os_platform.h"
#include "session/compared_pair.h"
#include "session/folder_files.h"
#include "session/pair_input.h"
#include "session/same_structure.h"
#include "vocabulary/file_names.h"
#include "vocabulary/utf8_text.h"

#include <memory>
#include <ostream>

namespace {

// Options that ask only for a verdict and its report on standard output:
// no picture or report file, no mask or ignore file to decode, no
// alignment, no share of a larger run, no version control's arguments.
bool Within_Reach(const T_Command_Options& Options)
{
    return Options.Names.size() == 2 && Options.Output.empty() && Options.Report.empty() &&
           Options.Junit.empty() && Options.Mask.empty() && Options.Ignore_File.empty() &&
           Options.Align == T_Align_Mode::Off && Options.Shard_Count == 0 && !Options.Git_Diff &&
           !Options.Allow_Partial && Options.Left_Title.empty() && Options.Right_Title.empty();
}

// A regular file under a UTF-8 name: read as it is named (another name would
// get a private link, a special file its own message).
bool Plain_File(const std::string& Name)
{
    return Is_Valid_Utf8(Name) && !os::Is_Null_Device(Name) &&
           os::Check_Input_File(Name) == os::T_File_Check::Regular;
}

// The pair judged as the pipeline judges two pictures: the same bytes proven
// sound by their structure, else both files compared while they are read.
// Nothing when only a whole decode can tell (or tell what is wrong).
std::optional<T_Pair_Findings> Judged(const T_Pair_Input& Input, const T_Pair_Findings& Names,
                                      const T_Difference_Options& Differences)
{
    const std::string &old_file = Input.Old.Path, &new_file = Input.New.Path;
    if (File_Extension(old_file) == File_Extension(new_file) && Same_Bytes(old_file, new_file)) {
        std::optional<T_Pair_Findings> same = Identical_By_Structure(Input.New.Readable, Names);
        if (same)
            same->Compared_By = T_Compared_By::Bytes;
        return same;
    }
    std::optional<T_Difference> difference =
        Compare_Files_Streamed(old_file, new_file, Differences, T_Stream_Threads::Decoders_Apart);
    if (!difference)
        return std::nullopt;
    T_Pair_Findings pair = Names;
    pair.Compared_By = T_Compared_By::Pixels;
    Take_Differences(pair, std::move(*difference));
    return pair;
}

} // namespace

std::optional<int> Quick_Compare(const T_Command_Options& Options, std::ostream& Out)
{
    if (!Within_Reach(Options))
        return std::nullopt;
    const std::string &old_name = Options.Names[0], &new_name = Options.Names[1];
    if (!Plain_File(old_name) || !Plain_File(new_name))
        return std::nullopt;
    auto input = std::make_shared<const T_Pair_Input>(Pair_Input_Of(old_name, new_name));
    if (input->Old.Kind != dk_Image || input->New.Kind != dk_Image)
        return std::nullopt;
    T_Pair_Findings names;
    names.Old_Name = names.Old_File = old_name;
    names.New_Name = names.New_File = new_name;
    names.Input = input;
    T_Ignore_Areas ignore;
    ignore.Rectangles = Options.Ignore;
    const std::optional<T_Pair_Findings> pair =
        Judged(*input, names, Difference_Options_Of(Options, std::move(ignore)));
    if (!pair)
        return std::nullopt;

    const T_Command_Options in_effect = Options_In_Effect(Options);
    if (Options.Json)
        Print_Json_Header(Out, in_effect, T_Difference_Options{});
    const T_Acceptance_Rules rules = T_Acceptance_Rules::From(in_effect);
    const T_Acceptance acceptance = Judge_Acceptance(*pair, rules);
    T_Report_Totals totals;
    totals.Count(pair->Result, acceptance.Accepted);
    if (!Options.Only_Changes || pair->Result != T_Verdict::Identical)
        Print_Report(Out, *pair, Options.Json, acceptance, rules.Limits);
    Out.flush();
    return totals.Exit_Code();
}
