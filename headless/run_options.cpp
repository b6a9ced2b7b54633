#include "headless/run_options.h"

#include "session/row_workers.h"

T_Command_Options Options_In_Effect(const T_Command_Options& Options)
{
    T_Command_Options in_effect = Options;
    if (in_effect.Jobs <= 0)
        in_effect.Jobs = int(Default_Workers());
    return in_effect;
}

T_Difference_Options Difference_Options_Of(const T_Command_Options& Options, T_Ignore_Areas Ignore)
{
    T_Difference_Options differences;
    differences.Ignore_Antialiasing = Options.Ignore_Antialiasing;
    if (Options.Tolerance >= 0)
        differences.Tolerance = Options.Tolerance;
    differences.Ignore = std::move(Ignore);
    return differences;
}
