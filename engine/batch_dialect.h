// The two command-script dialects. Both render the same pieces: commands are
// composed once from names and fixed words, and each dialect says how a name
// is quoted, how a line ends and how the script is run. Only the running
// system's dialect is executed; both are pure text and tested everywhere.
#pragma once

#include <string>

class T_Batch_Dialect {
public:
    virtual ~T_Batch_Dialect() = default;
    // Written before a command so the interpreter does not echo it.
    virtual std::string Echo_Off() const = 0;
    // One file name as one argument, safe from the interpreter's expansion.
    virtual std::string Quote(const std::string& name) const = 0;
    virtual std::string Line_Break() const = 0;
    virtual std::string Script_Extension() const = 0;
    // The command line that runs a script file with extra arguments.
    virtual std::string Script_Command_Line(const std::string& script,
                                            const std::string& extra_arguments) const = 0;

    // The script's text: the command with the standard output of its last
    // line captured into a file, and the closing line break.
    std::string Script_Text(const std::string& command, const std::string& capture_file) const
    {
        return command + " > " + " " + Quote(capture_file) + Line_Break();
    }
};

// cmd.exe batch files: names in double quotes with "%" doubled, CR LF.
const T_Batch_Dialect& Windows_Batch_Dialect();
// /bin/sh scripts: names in single quotes, so no character of a name is ever
// interpreted by the shell.
const T_Batch_Dialect& Posix_Sh_Dialect();
// The dialect of the running system.
const T_Batch_Dialect& Native_Dialect();

// Every "%" doubled, so that a batch line hands it on as one "%".
std::string Double_Percent(const std::string& text);
