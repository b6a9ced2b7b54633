#include "command_line/command_options.h"

#include "command_line/git_diff_arguments.h"

#include <charconv>

namespace {

// More workers than this only wait for the disk and hold more pictures.
constexpr int Max_Jobs = 64;
// More parts than any CI matrix runs, few enough to stay a plain int.
constexpr int Max_Shards = 1000000;

bool Is_Option(const std::string& argument) { return argument.size() > 1 && argument[0] == '-'; }

// A whole number within [low, high]; false otherwise.
bool Parse_Int(const std::string& text, int low, int high, int& value)
{
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= low && value <= high;
}

// A whole number of at least 0.
bool Parse_Count(const std::string& text, long long& value)
{
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= 0;
}

// A number from 0 to 100, with a decimal point or without.
bool Parse_Percent(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return !text.empty() && error == std::errc() && stop == end && value >= 0 && value <= 100;
}

// "K/N" with 1 <= K <= N.
bool Parse_Shard(const std::string& text, int& shard, int& count)
{
    const std::size_t slash = text.find('/');
    return slash != std::string::npos && Parse_Int(text.substr(0, slash), 1, Max_Shards, shard) &&
           Parse_Int(text.substr(slash + 1), 1, Max_Shards, count) && shard <= count;
}

// Handles one option (with its value, taken from `rest`); false with the
// reason in Error when it is unknown or its value is missing or wrong.
bool Take_Option(const std::string& option, std::vector<std::string>::const_iterator& rest,
                 std::vector<std::string>::const_iterator end, T_Command_Options& options)
{
    using T_Action = T_Command_Options::T_Action;
    auto value = [&](std::string& into) {
        if (rest == end) {
            options.Error = option + " needs a value";
            return false;
        }
        into = *rest++;
        return true;
    };
    if (option == "--help" || option == "-h")
        options.Action = T_Action::Help;
    else if (option == "--version")
        options.Action = T_Action::Version;
    else if (option == "--compare") {
        // Help and version win over everything else on the line, wherever
        // they stand.
        if (options.Action == T_Action::Window)
            options.Action = T_Action::Compare;
        else if (options.Action == T_Action::Merge)
            options.Action = T_Action::Usage_Error;
    } else if (option == "--git-diff") {
        // Everything after it is git's, taken as it is: a path may look like
        // an option or be "--".
        options.Git_Diff = true;
        options.Git_Diff_Arguments.assign(rest, end);
        rest = end;
    } else if (option == "--json")
        options.Json = true;
    else if (option == "--no-ignore-antialiasing")
        options.Ignore_Antialiasing = false;
    else if (option == "--left-title")
        return value(options.Left_Title);
    else if (option == "--right-title")
        return value(options.Right_Title);
    else if (option == "--output")
        return value(options.Output);
    else if (option == "--tolerance") {
        std::string text;
        if (!value(text))
            return false;
        if (!Parse_Int(text, 0, 100, options.Tolerance)) {
            options.Error = "--tolerance takes a whole number from 0 to 100, not \"" + text + "\"";
            return false;
        }
    } else if (option == "--jobs") {
        std::string text;
        if (!value(text))
            return false;
        if (!Parse_Int(text, 1, Max_Jobs, options.Jobs)) {
            options.Error = "--jobs takes a whole number from 1 to " + std::to_string(Max_Jobs) +
                            ", not \"" + text + "\"";
            return false;
        }
    } else if (option == "--ignore") {
        std::string text;
        T_Ignore_Rectangle rectangle;
        if (!value(text))
            return false;
        if (!Parse_Ignore_Rectangle(text, rectangle, options.Error)) {
            options.Error = "--ignore: " + options.Error;
            return false;
        }
        options.Ignore.push_back(rectangle);
    } else if (option == "--ignore-file")
        return value(options.Ignore_File);
    else if (option == "--mask")
        return value(options.Mask);
    else if (option == "--junit")
        return value(options.Junit);
    else if (option == "--report")
        return value(options.Report);
    else if (option == "--align") {
        std::string text;
        if (!value(text))
            return false;
        if (!Parse_Align_Mode(text, options.Align)) {
            options.Error = "--align takes shift, bands or off, not \"" + text + "\"";
            return false;
        }
    } else if (option == "--max-changed-pixels") {
        std::string text;
        if (!value(text))
            return false;
        if (!Parse_Count(text, options.Max_Changed_Pixels)) {
            options.Error =
                "--max-changed-pixels takes a whole number of at least 0, not \"" + text + "\"";
            return false;
        }
    } else if (option == "--max-changed-share") {
        std::string text;
        if (!value(text))
            return false;
        if (!Parse_Percent(text, options.Max_Changed_Share)) {
            options.Error = "--max-changed-share takes a percentage from 0 to 100 (0.5 for "
                            "0.5 %), not \"" +
                            text + "\"";
            return false;
        }
    } else if (option == "--fail-on-missing")
        options.Fail_On_Missing = true;
    else if (option == "--only-changes")
        options.Only_Changes = true;
    else if (option == "--summary-first")
        options.Summary_First = true;
    else if (option == "--allow-partial")
        options.Allow_Partial = true;
    else if (option == "--shard") {
        std::string text;
        if (!value(text))
            return false;
        if (!Parse_Shard(text, options.Shard, options.Shard_Count)) {
            options.Error = "--shard takes K/N with 1 <= K <= N (3/4: the third of four "
                            "parts), not \"" +
                            text + "\"";
            return false;
        }
    } else if (option == "--merge-reports") {
        if (options.Action == T_Action::Window)
            options.Action = T_Action::Merge;
        else if (options.Action == T_Action::Compare)
            options.Action = T_Action::Usage_Error;
    } else {
        options.Error = "unknown option " + option;
        return false;
    }
    return true;
}

// The options that only a comparison without a window uses, by the first
// one given; empty when none is.
std::string Compare_Only_Option(const T_Command_Options& options)
{
    const std::pair<bool, const char*> given[] = {
        {!options.Ignore.empty(), "--ignore"},
        {!options.Ignore_File.empty(), "--ignore-file"},
        {!options.Mask.empty(), "--mask"},
        {options.Max_Changed_Pixels >= 0, "--max-changed-pixels"},
        {options.Max_Changed_Share >= 0, "--max-changed-share"},
        {options.Fail_On_Missing, "--fail-on-missing"},
        {options.Shard_Count > 0, "--shard"},
        {options.Only_Changes, "--only-changes"},
        {options.Summary_First, "--summary-first"},
        {!options.Junit.empty(), "--junit"},
        {!options.Report.empty(), "--report"},
        {options.Align != T_Align_Mode::Off, "--align"},
    };
    for (const auto& [is_given, name] : given)
        if (is_given)
            return name;
    return {};
}

} // namespace

bool Has_Acceptance_Limits(const T_Command_Options& Options)
{
    return Options.Max_Changed_Pixels >= 0 || Options.Max_Changed_Share >= 0 ||
           Options.Fail_On_Missing;
}

T_Command_Options Parse_Command_Options(const std::vector<std::string>& Arguments)
{
    using T_Action = T_Command_Options::T_Action;
    T_Command_Options options;
    auto at = Arguments.begin() + (Arguments.empty() ? 0 : 1);
    bool options_end = false, double_dash_seen = false;
    while (at != Arguments.end()) {
        const std::string& argument = *at++;
        // The first "--" ends the options also after the first name
        // ("varnolt --compare old.png -- -new.png"), as the usual tools
        // take it; a later one is a name.
        if (!double_dash_seen && argument == "--") {
            options_end = double_dash_seen = true;
        } else if (!options_end && options.Names.empty() && Is_Option(argument)) {
            if (!Take_Option(argument, at, Arguments.end(), options)) {
                options.Action = T_Action::Usage_Error;
                return options;
            }
        } else if (!argument.empty()) {
            // The first name ends the options: what follows are names.
            options_end = true;
            options.Names.push_back(argument);
        }
    }
    if (options.Action == T_Action::Usage_Error) {
        options.Error = "--merge-reports merges the reports of earlier runs; it cannot go with "
                        "--compare";
        return options;
    }
    if (options.Action == T_Action::Window) {
        if (const std::string option = Compare_Only_Option(options); !option.empty()) {
            options.Action = T_Action::Usage_Error;
            options.Error = option + " works only with --compare";
            return options;
        }
    }
    if (options.Allow_Partial && options.Action != T_Action::Merge &&
        options.Action != T_Action::Help && options.Action != T_Action::Version) {
        options.Action = T_Action::Usage_Error;
        options.Error = "--allow-partial works only with --merge-reports";
        return options;
    }
    if (options.Action == T_Action::Merge) {
        if (options.Names.size() < 2) {
            options.Action = T_Action::Usage_Error;
            options.Error = "--merge-reports needs the merged report's name (- for the standard "
                            "output) and at least one report";
        }
        return options;
    }
    if (options.Git_Diff && options.Action != T_Action::Help &&
        options.Action != T_Action::Version) {
        if (options.Action == T_Action::Compare) {
            options.Action = T_Action::Usage_Error;
            options.Error = "--git-diff opens the window; it cannot go with --compare";
        } else if (!Is_Git_Diff_Argument_Count(options.Git_Diff_Arguments.size())) {
            options.Action = T_Action::Usage_Error;
            options.Error = "--git-diff needs the seven arguments git passes (path old-file "
                            "old-hex old-mode new-file new-hex new-mode), not " +
                            std::to_string(options.Git_Diff_Arguments.size());
        }
        return options;
    }
    if (options.Action == T_Action::Compare && options.Names.size() != 2) {
        options.Action = T_Action::Usage_Error;
        options.Error = "--compare needs two names, the old and the new version";
    }
    return options;
}

std::string Options_Usage_Text(const std::string& Program)
{
    return "Usage:\n"
           "  " +
           Program + " [options] OldFile NewFile\n" + "  " + Program +
           " [options] OldFolder NewFolder\n"
           "  " +
           Program +
           " --compare [--tolerance N] [--no-ignore-antialiasing] [--output FILE.png]\n"
           "        [--jobs N] [--json] [--junit FILE.xml] [--ignore X,Y,W,H]...\n"
           "        [--ignore-file FILE] [--mask FILE.png] [--max-changed-pixels N]\n"
           "        [--max-changed-share P] [--fail-on-missing] [--shard K/N]\n"
           "        [--only-changes] [--summary-first] [--report FOLDER]\n"
           "        [--align shift|bands|off] Old New\n"
           "  " +
           Program +
           " --merge-reports [--junit FILE.xml] [--allow-partial] OUT REPORT...\n"
           "\n"
           "Options:\n"
           "  --left-title TEXT         caption of the base version's pane\n"
           "  --right-title TEXT        caption of the modified version's pane\n"
           "  --compare                 compare without a window; exit status 0 when\n"
           "                            identical, 1 when different, 2 on an error\n"
           "  --tolerance N             colour tolerance from 0 to 100 (default 10)\n"
           "  --no-ignore-antialiasing  count anti-aliased edge pixels as changes\n"
           "  --output FILE.png         write the differences picture (pages after the\n"
           "                            first as FILE_2.png ...); for two folders a\n"
           "                            folder: one picture per changed pair, at the\n"
           "                            pair's own path inside it\n"
           "  --jobs N                  compare N pairs of two folders at once, from 1\n"
           "                            to 64 (default: one per core); the report keeps\n"
           "                            the files' order\n"
           "  --json                    one JSON object per pair instead of a line,\n"
           "                            after a first line with the format's version\n"
           "  --junit FILE.xml          also write a JUnit XML report: a test case per\n"
           "                            pair (a page pair of a document is a case)\n"
           "  --ignore X,Y,W,H          leave a rectangle of the base's pixels out of the\n"
           "                            comparison (repeatable)\n"
           "  --ignore-file FILE        rectangles to leave out, X,Y,W,H a line; # starts\n"
           "                            a comment\n"
           "  --mask FILE.png           leave out every pixel of the mask that is not\n"
           "                            fully transparent; it must have the base's size\n"
           "  --max-changed-pixels N    accept a changed pair with at most N changed\n"
           "                            pixels (exit status 0 when all are accepted)\n"
           "  --max-changed-share P     accept a changed pair with at most P percent of\n"
           "                            its pixels changed (0.5 for 0.5 %)\n"
           "  --fail-on-missing         a file on one side only is not accepted (with a\n"
           "                            limit above it otherwise is)\n"
           "  --shard K/N               compare only part K of N of two folders, each\n"
           "                            file's part fixed by a hash of its path\n"
           "  --only-changes            leave identical pairs out (the totals count them)\n"
           "  --summary-first           print the totals before the pairs\n"
           "  --report FOLDER           also write an HTML report into FOLDER (made when\n"
           "                            missing; an empty folder or an earlier report's):\n"
           "                            index.html with the pairs and, of changed pairs,\n"
           "                            their pictures; opens from the disk, no network\n"
           "  --align shift|bands|off   lay the modified picture on the base first:\n"
           "                            shift finds how far it moved (and, for scans,\n"
           "                            how much it was scaled and turned); bands pairs\n"
           "                            rows as a text diff pairs lines, so inserted or\n"
           "                            removed content is one band; off (the default)\n"
           "                            compares pixel with pixel. Without a clear match\n"
           "                            the pictures are compared as they are\n"
           "  --merge-reports OUT REPORT...\n"
           "                            merge the --json reports of shards into OUT (-\n"
           "                            for the standard output), totals and exit status\n"
           "                            recomputed; given --report folders, merge them\n"
           "                            into the report folder OUT. The reports must be\n"
           "                            every part of one run, each once\n"
           "  --allow-partial           merge the parts given though some are missing;\n"
           "                            each missing part counts as an error\n"
           "  --git-diff PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE\n"
           "                            as git's diff driver (diff.NAME.command): the\n"
           "                            window for the pair git passes, captioned with\n"
           "                            the path and the versions; exit status 0 once\n"
           "                            it is closed, 1 when the pair cannot be shown\n"
           "  --help                    this text\n"
           "  --version                 the program's version\n"
           "  --                        the end of the options\n";
}
