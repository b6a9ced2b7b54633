#include "engine/U_ShellOp.h"

#include "vocabulary/U_Msg.h"
#include "engine/batch_dialect.h"
#include "platform/os_platform.h"
#include "engine/u_temp_files.h"

#include <sstream>
#include <stdexcept>

bool Run_Captured(const std::string& command_line, const std::string& working_folder,
                  std::string& channel, T_Run_Watch* watch)
{
    std::string text;
    std::function<bool()> poll;
    if (watch && watch->Keep_Going) {
        watch->Stopped = false;
        poll = [watch] {
            if (watch->Keep_Going())
                return true;
            watch->Stopped = true;
            return false;
        };
    }
    os::T_Child_Result result = os::Run_Captured(command_line, working_folder, text, poll);
    if (!result.Started) {
        channel = "can't run " + command_line;
        return false;
    }
    channel = text;
    return result.Exit_Code == 0;
}

bool Run_Batch(const std::string& command, const std::string& extra_arguments,
               const std::string& working_folder, std::string& output, std::string& error,
               T_Run_Watch* watch)
{
    output.clear();
    error.clear();
    const T_Batch_Dialect& dialect = Native_Dialect();
    Randomize_Temp_Names();
    std::string base = Temp_Dir() + Temp_File_Name();
    std::string script = base + dialect.Script_Extension();
    std::string capture = base + ".txt";

    // The interpreter reads the script in its own code page; a name that page
    // cannot hold exactly is refused before anything runs.
    std::string text, reason;
    if (!os::To_Script_Text(dialect.Script_Text(command, capture), text, reason))
        throw std::runtime_error(reason);
    if (!os::Write_File(script, text, reason))
        throw std::runtime_error("Cannot create file \"" + script + "\". " + reason);

    bool ok = false;
    std::string channel, captured;
    if (Run_Captured(dialect.Script_Command_Line(script, extra_arguments), working_folder, channel,
                     watch)) {
        if (os::Read_File(capture, captured)) {
            std::istringstream lines(os::From_Console_Text(captured));
            std::string line;
            while (std::getline(lines, line)) {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                output += line + "\r\n";
            }
            ok = true;
        }
    } else {
        error = channel;
    }
    os::Delete_File(capture);
    os::Delete_File(script);
    return ok;
}

bool Run_Program(const std::string& command_line) { return os::Start_Detached(command_line); }

bool Open_With_Associated(const std::string& path, std::string& error)
{
    std::string program;
    if (!os::Shell_Services().Find_Associated(path, program, error))
        return false;
    // A file that is itself a program is started on its own.
    const std::string command = program == path
                                    ? os::Quote_Argument(path)
                                    : os::Quote_Argument(program) + " " + os::Quote_Argument(path);
    if (Run_Program(command))
        return true;
    error = "Can't start " + program;
    return false;
}

bool Show_In_Folder(const std::string& path) { return os::Shell_Services().Show_In_Folder(path); }

bool Shell_File_Operation(int operation, const std::string& source, const std::string& destination,
                          void*, bool, bool)
{
    // Copies never ask and keep no undo record here; other operations are
    // not offered.
    return operation == FO_COPY && os::Copy_File_Replace(source, destination);
}

bool Copy_File_Silent(const std::string& source, const std::string& destination)
{
    return Shell_File_Operation(FO_COPY, source, destination, nullptr, true, false);
}

void Shell_Open(const std::string& file_or_address) { os::Shell_Services().Open(file_or_address); }

std::string System_Temp_Path() { return os::System_Temp_Path(); }
