// The executable where the toolkit loads apart (Linux and other POSIX
// systems): it answers what needs no toolkit itself (the usage, the version,
// two PNG or JPEG pictures compared) and loads the whole program, beside it,
// for everything else. A script that compares one pair per call thus never
// waits for the toolkit's libraries to load.
#include "app/plain_answers.h"
#include "app/quick_compare.h"
#include "app/standard_output.h"
#include "command_line/command_line.h"
#include "command_line/command_options.h"
#include "platform/os_platform.h"
#include "vocabulary/utf8_text.h"

#include <dlfcn.h>

#include <filesystem>
#include <iostream>

namespace {

// The whole program's part, loaded from parts/ beside the executable and run
// with the command line as it came. (A folder of its own: a library directly
// in a package's lib/ folder would be taken for one the system's loader must
// know of.)
int Run_Whole_Program(int argc, char** argv, const std::filesystem::path& Executable)
{
    const std::string part =
        os::Utf8_Name(Executable.parent_path() / "parts" / "varnolt-program.so");
    void* loaded = dlopen(part.c_str(), RTLD_NOW | RTLD_LOCAL);
    using T_Entry = int (*)(int, char**);
    T_Entry entry =
        loaded ? reinterpret_cast<T_Entry>(dlsym(loaded, "Varnolt_Whole_Program")) : nullptr;
    if (!entry) {
        const char* why = dlerror();
        std::cerr << "varnolt: the program is incomplete: "
                  << Terminal_Safe(why ? why : part + " has no entry") << "\nInstall it again.\n";
        return 2;
    }
    return entry(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything is read or written, as the whole program does.
    os::Restrict_New_Files();
    const std::filesystem::path executable = os::Utf8_Path(os::Executable_Path());
    const T_Command_Options options = Parse_Command_Options(Program_Arguments(argc, argv));
    if (const std::optional<int> answered =
            Plain_Answer(options, os::Utf8_Name(executable.filename()), std::cout, std::cerr))
        return Code_After_Output(*answered);
    if (options.Action == T_Command_Options::T_Action::Compare)
        if (const std::optional<int> compared = Quick_Compare(options, std::cout))
            return Code_After_Output(*compared);
    // The whole program checks its own output.
    return Run_Whole_Program(argc, argv, executable);
}
