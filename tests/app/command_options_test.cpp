#include "command_line/command_options.h"

#include <gtest/gtest.h>

using T_Action = T_Command_Options::T_Action;
using Names = std::vector<std::string>;

namespace {

T_Command_Options Parse(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "varnolt");
    return Parse_Command_Options(arguments);
}

} // namespace

TEST(CommandOptions, PlainNamesOpenTheWindowAsBefore)
{
    EXPECT_EQ(Parse_Command_Options({}).Action, T_Action::Window);
    T_Command_Options options = Parse({"", "old.png", "", "new.png"});
    EXPECT_EQ(options.Action, T_Action::Window);
    EXPECT_EQ(options.Names, (Names{"old.png", "new.png"}));
    EXPECT_TRUE(options.Ignore_Antialiasing);
    EXPECT_EQ(options.Tolerance, -1);
    // A lone "-" is a name, and so is anything after the first name.
    EXPECT_EQ(Parse({"-", "--help"}).Names, (Names{"-", "--help"}));
    EXPECT_EQ(Parse({"a.png", "--compare", "-x"}).Action, T_Action::Window);
}

TEST(CommandOptions, DoubleDashEndsTheOptions)
{
    T_Command_Options options = Parse({"--compare", "--", "--help", "--"});
    EXPECT_EQ(options.Action, T_Action::Compare);
    EXPECT_EQ(options.Names, (Names{"--help", "--"}));
    EXPECT_EQ(Parse({"--", "-"}).Names, (Names{"-"}));
    // Also between the names, where a name that starts with a dash follows.
    options = Parse({"--compare", "old.png", "--", "-new.png"});
    EXPECT_EQ(options.Action, T_Action::Compare);
    EXPECT_EQ(options.Names, (Names{"old.png", "-new.png"}));
    EXPECT_EQ(Parse({"old.png", "--", "--"}).Names, (Names{"old.png", "--"}));
}

TEST(CommandOptions, TakesEveryOptionAndItsValue)
{
    T_Command_Options options =
        Parse({"--left-title", "Before", "--right-title", "--json", "--tolerance", "0",
               "--no-ignore-antialiasing", "--output", "d.png", "--json", "--compare", "a", "b"});
    EXPECT_EQ(options.Action, T_Action::Compare);
    EXPECT_EQ(options.Left_Title, "Before");
    EXPECT_EQ(options.Right_Title, "--json"); // a value is taken as it is
    EXPECT_EQ(options.Tolerance, 0);
    EXPECT_FALSE(options.Ignore_Antialiasing);
    EXPECT_EQ(options.Output, "d.png");
    EXPECT_TRUE(options.Json);
    EXPECT_EQ(options.Names, (Names{"a", "b"}));
    EXPECT_EQ(Parse({"--tolerance", "100"}).Tolerance, 100);

    for (const char* option : {"--left-title", "--right-title", "--output", "--tolerance"}) {
        T_Command_Options missing = Parse({option});
        EXPECT_EQ(missing.Action, T_Action::Usage_Error) << option;
        EXPECT_EQ(missing.Error, std::string(option) + " needs a value");
    }
}

TEST(CommandOptions, RefusesABadToleranceAndUnknownOptions)
{
    for (const char* value : {"-1", "101", "5x", "", " 5", "1e1", "99999999999"}) {
        T_Command_Options options = Parse({"--tolerance", value, "a", "b"});
        EXPECT_EQ(options.Action, T_Action::Usage_Error) << value;
        EXPECT_EQ(options.Error, "--tolerance takes a whole number from 0 to 100, not \"" +
                                     std::string(value) + "\"");
    }
    T_Command_Options unknown = Parse({"--json", "-x", "a", "b"});
    EXPECT_EQ(unknown.Action, T_Action::Usage_Error);
    EXPECT_EQ(unknown.Error, "unknown option -x");
    EXPECT_TRUE(unknown.Names.empty());
}

TEST(CommandOptions, JobsTakesACountFrom1To64AndDefaultsToOnePerCore)
{
    EXPECT_EQ(Parse({"--compare", "a", "b"}).Jobs, 0);
    for (const auto& [text, jobs] : {std::pair{"1", 1}, {"4", 4}, {"64", 64}}) {
        T_Command_Options options = Parse({"--compare", "--jobs", text, "a", "b"});
        EXPECT_EQ(options.Action, T_Action::Compare) << text;
        EXPECT_EQ(options.Jobs, jobs);
    }
    for (const char* value : {"0", "-2", "65", "2x", "", "four", "99999999999"}) {
        T_Command_Options options = Parse({"--compare", "--jobs", value, "a", "b"});
        EXPECT_EQ(options.Action, T_Action::Usage_Error) << value;
        EXPECT_EQ(options.Error,
                  "--jobs takes a whole number from 1 to 64, not \"" + std::string(value) + "\"");
    }
    T_Command_Options missing = Parse({"--compare", "--jobs"});
    EXPECT_EQ(missing.Action, T_Action::Usage_Error);
    EXPECT_EQ(missing.Error, "--jobs needs a value");
    EXPECT_NE(Options_Usage_Text("varnolt").find("--jobs N"), std::string::npos);
}

TEST(CommandOptions, CompareWantsTwoNamesAndYieldsToHelpAndVersion)
{
    for (const Names& names : {Names{}, Names{"a"}, Names{"a", "b", "c"}}) {
        Names arguments = names;
        arguments.insert(arguments.begin(), "--compare");
        T_Command_Options options = Parse(arguments);
        EXPECT_EQ(options.Action, T_Action::Usage_Error) << names.size();
        EXPECT_EQ(options.Error, "--compare needs two names, the old and the new version");
    }
    EXPECT_EQ(Parse({"--compare", "--help"}).Action, T_Action::Help);
    EXPECT_EQ(Parse({"--help", "--compare"}).Action, T_Action::Help);
    EXPECT_EQ(Parse({"-h", "--compare", "a", "b"}).Action, T_Action::Help);
    EXPECT_EQ(Parse({"--version", "--compare", "a", "b"}).Action, T_Action::Version);
}

TEST(CommandOptions, GitDiffTakesGitsArgumentsAsTheyAre)
{
    const Names seven = {"-a.png", "/tmp/x_a.png", "1234567890", "100644",
                         "--",     "0000000000",   "100644"};
    Names arguments = seven;
    arguments.insert(arguments.begin(), {"--left-title", "Mine", "--git-diff"});
    T_Command_Options options = Parse(arguments);
    EXPECT_EQ(options.Action, T_Action::Window);
    EXPECT_TRUE(options.Git_Diff);
    EXPECT_EQ(options.Git_Diff_Arguments, seven); // "-a.png" and "--" are git's, not options
    EXPECT_EQ(options.Left_Title, "Mine");
    EXPECT_TRUE(options.Names.empty());

    // A rename adds the new path and a note.
    arguments.insert(arguments.end(), {"b.png", "similarity index 100%\nrename from a.png\n"});
    EXPECT_EQ(Parse(arguments).Action, T_Action::Window);
}

TEST(CommandOptions, GitDiffRefusesAWrongCountAndCompare)
{
    for (std::size_t count : {0, 1, 6, 8, 10}) {
        Names arguments(count, "x");
        arguments.insert(arguments.begin(), "--git-diff");
        T_Command_Options options = Parse(arguments);
        EXPECT_EQ(options.Action, T_Action::Usage_Error) << count;
        EXPECT_NE(options.Error.find("--git-diff needs the seven arguments git passes"),
                  std::string::npos)
            << options.Error;
        EXPECT_TRUE(options.Error.ends_with(", not " + std::to_string(count))) << options.Error;
    }
    Names with_compare(7, "x");
    with_compare.insert(with_compare.begin(), {"--compare", "--git-diff"});
    EXPECT_EQ(Parse(with_compare).Action, T_Action::Usage_Error);
    with_compare.front() = "--version";
    EXPECT_EQ(Parse(with_compare).Action, T_Action::Version);
}

TEST(CommandOptions, UsageListsGitDiffBesideTheOtherOptions)
{
    const std::string usage = Options_Usage_Text("varnolt");
    EXPECT_NE(
        usage.find("\n  --git-diff PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE\n"),
        std::string::npos)
        << usage;
    EXPECT_LT(usage.find("--json"), usage.find("--git-diff"));
    EXPECT_LT(usage.find("--git-diff"), usage.find("--help"));
}

TEST(CommandOptions, TakesTheReportLimitAndPartOptionsOfACompare)
{
    T_Command_Options options = Parse({"--compare",
                                       "--ignore",
                                       "1,2,3,4",
                                       "--ignore",
                                       " -5, 6 ,7,8",
                                       "--ignore-file",
                                       "areas.txt",
                                       "--mask",
                                       "m.png",
                                       "--max-changed-pixels",
                                       "100",
                                       "--max-changed-share",
                                       "0.5",
                                       "--fail-on-missing",
                                       "--shard",
                                       "2/3",
                                       "--only-changes",
                                       "--summary-first",
                                       "--junit",
                                       "r.xml",
                                       "a",
                                       "b"});
    ASSERT_EQ(options.Action, T_Action::Compare) << options.Error;
    ASSERT_EQ(options.Ignore.size(), 2u);
    EXPECT_EQ(options.Ignore[1].Left, -5); // a rectangle may start beyond the picture
    EXPECT_EQ(options.Ignore[1].Height, 8);
    EXPECT_EQ(options.Ignore_File, "areas.txt");
    EXPECT_EQ(options.Mask, "m.png");
    EXPECT_EQ(options.Max_Changed_Pixels, 100);
    EXPECT_DOUBLE_EQ(options.Max_Changed_Share, 0.5);
    EXPECT_TRUE(options.Fail_On_Missing && options.Only_Changes && options.Summary_First);
    EXPECT_EQ(options.Shard, 2);
    EXPECT_EQ(options.Shard_Count, 3);
    EXPECT_EQ(options.Junit, "r.xml");
    EXPECT_TRUE(Has_Acceptance_Limits(options));
    EXPECT_FALSE(Has_Acceptance_Limits(Parse({"--compare", "--shard", "1/1", "a", "b"})));
}

TEST(CommandOptions, RefusesBadLimitsRectanglesAndPartsNamingTheValue)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--ignore", "1,2,3"}, "\"1,2,3\""},
        {{"--ignore", "1,2,x,4"}, "\"1,2,x,4\""},
        {{"--ignore", "1,2,-3,4"}, "width and a height of at least 1"},
        {{"--ignore", "1,2,3,0"}, "\"1,2,3,0\""},
        {{"--max-changed-pixels", "-1"}, "\"-1\""},
        {{"--max-changed-pixels", "1e3"}, "\"1e3\""},
        {{"--max-changed-share", "101"}, "\"101\""},
        {{"--max-changed-share", "0.5%"}, "\"0.5%\""},
        {{"--shard", "4/3"}, "\"4/3\""},
        {{"--shard", "0/3"}, "\"0/3\""},
        {{"--shard", "3"}, "\"3\""},
    };
    for (const auto& [arguments, named] : cases) {
        std::vector<std::string> line = {"--compare"};
        line.insert(line.end(), arguments.begin(), arguments.end());
        line.insert(line.end(), {"a", "b"});
        const T_Command_Options options = Parse(line);
        EXPECT_EQ(options.Action, T_Action::Usage_Error) << arguments[1];
        EXPECT_NE(options.Error.find(named), std::string::npos) << options.Error;
    }
}

TEST(CommandOptions, ReportOptionsNeedCompareAndMergeStandsAlone)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--junit", "r.xml"},
                                                      {"--ignore", "1,1,1,1"},
                                                      {"--max-changed-share", "1"},
                                                      {"--shard", "1/2"},
                                                      {"--only-changes"},
                                                      {"--fail-on-missing"}}) {
        std::vector<std::string> line = arguments;
        line.insert(line.end(), {"a", "b"});
        const T_Command_Options options = Parse(line);
        EXPECT_EQ(options.Action, T_Action::Usage_Error) << arguments[0];
        EXPECT_EQ(options.Error, arguments[0] + " works only with --compare");
    }
    T_Command_Options merge = Parse({"--merge-reports", "--junit", "r.xml", "-", "1.json"});
    EXPECT_EQ(merge.Action, T_Action::Merge) << merge.Error;
    EXPECT_EQ(merge.Names, (Names{"-", "1.json"}));
    EXPECT_EQ(Parse({"--merge-reports", "out.json"}).Action, T_Action::Usage_Error);
    EXPECT_EQ(Parse({"--compare", "--merge-reports", "o", "i"}).Action, T_Action::Usage_Error);
    EXPECT_EQ(Parse({"--merge-reports", "--compare", "o", "i"}).Action, T_Action::Usage_Error);
    EXPECT_EQ(Parse({"--merge-reports", "--help"}).Action, T_Action::Help);
    const std::string usage = Options_Usage_Text("varnolt");
    for (const char* option :
         {"--junit", "--ignore-file", "--mask", "--max-changed-pixels", "--max-changed-share",
          "--fail-on-missing", "--shard", "--only-changes", "--summary-first", "--merge-reports"})
        EXPECT_NE(usage.find(std::string("\n  ") + option), std::string::npos) << option;
}
