// A converter that never finishes on its own, for tests that stop or close
// a running comparison.
#pragma once

#include "tests/test_support.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace test {

// A converter in `dir` that never finishes on its own (it waits a minute):
// a shell script here, on Windows the tests' child program under a name
// that makes it wait.
inline std::string Slow_Converter(const Scratch_Dir& dir)
{
#ifdef _WIN32
    std::string slow = dir / "slow convert.exe";
    fs::copy_file(VARNOLT_WIN32_HELPER, slow);
#else
    std::string slow = dir / "slow convert";
    std::ofstream(slow) << "#!/bin/sh\nsleep 60\n";
    fs::permissions(slow, fs::perms::owner_all);
#endif
    return slow;
}

} // namespace test
