#include "app/plain_answers.h"

#include "app/u_varnolt_start.h"
#include "vocabulary/utf8_text.h"

#include <ostream>

std::optional<int> Plain_Answer(const T_Command_Options& Options, const std::string& Program,
                                std::ostream& Out, std::ostream& Err)
{
    switch (Options.Action) {
    case T_Command_Options::T_Action::Help:
        Out << Options_Usage_Text(Program);
        return 0;
    case T_Command_Options::T_Action::Version:
        Out << Program << " " << VARNOLT_VERSION << "\n";
        return 0;
    case T_Command_Options::T_Action::Usage_Error:
        Err << Program << ": " << Terminal_Safe(Options.Error) << "\n\n"
            << Options_Usage_Text(Program);
        return ec_Usage;
    case T_Command_Options::T_Action::Compare:
    case T_Command_Options::T_Action::Merge:
    case T_Command_Options::T_Action::Window:
        break;
    }
    return std::nullopt;
}
