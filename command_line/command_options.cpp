#include "command_options.h"

#include "git_diff_arguments.h"

#include <charconv>

namespace {

// More workers than this only wait for the disk and hold more pictures.
constexpr int Max_Jobs = 64;

bool Is_Option(const std::string& argument) { return argument.size() > 1 && argument[0] == '-'; }

// A whole number within [low, high]; false otherwise.
bool Parse_Int(const std::string& text, int low, int high, int& value)
{
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= low && value <= high;
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
    } else {
        options.Error = "unknown option " + option;
        return false;
    }
    return true;
}

} // namespace

T_Command_Options Parse_Command_Options(const std::vector<std::string>& Arguments)
{
    using T_Action = T_Command_Options::T_Action;
    T_Command_Options options;
    auto at = Arguments.begin() + (Arguments.empty() ? 0 : 1);
    bool options_end = false;
    while (at != Arguments.end()) {
        const std::string& argument = *at++;
        if (!options_end && argument == "--") {
            options_end = true;
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
           "        [--jobs N] [--json] Old New\n"
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
           "  --git-diff PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE\n"
           "                            as git's diff driver (diff.NAME.command): the\n"
           "                            window for the pair git passes, captioned with\n"
           "                            the path and the versions; exit status 0 once\n"
           "                            it is closed, 1 when the pair cannot be shown\n"
           "  --help                    this text\n"
           "  --version                 the program's version\n"
           "  --                        the end of the options\n";
}
