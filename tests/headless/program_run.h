// Runs the built program as a script would, without a display, and keeps
// what it printed and how it ended.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test {

struct Run_Result {
    int Code = -1;
    std::string Out, Err;
};

// A copy of the built program in Folder, without what lies beside it (the
// converter, the office helper): the executable and, where it has one, the
// part it loads. Returns the executable's path.
inline std::string Copy_Program_Alone(const std::string& Folder)
{
    namespace fs = std::filesystem;
    fs::create_directories(Folder);
    fs::copy_file(VARNOLT_BUILD_DIR "/varnolt", Folder + "/varnolt");
    if (fs::exists(VARNOLT_BUILD_DIR "/parts")) {
        fs::create_directories(Folder + "/parts");
        fs::copy_file(VARNOLT_BUILD_DIR "/parts/varnolt-program.so",
                      Folder + "/parts/varnolt-program.so");
    }
    return Folder + "/varnolt";
}

inline Run_Result Run_Program(const std::vector<std::string>& arguments,
                              const std::string& program_file = VARNOLT_BUILD_DIR "/varnolt",
                              int timeout_ms = 120000)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QString::fromStdString(program_file), list);
    Run_Result result;
    if (!program.waitForFinished(timeout_ms)) {
        program.kill();
        program.waitForFinished();
        ADD_FAILURE() << "varnolt did not end";
        return result;
    }
    result.Code = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    result.Out = program.readAllStandardOutput().toStdString();
    result.Err = program.readAllStandardError().toStdString();
    return result;
}

} // namespace test
