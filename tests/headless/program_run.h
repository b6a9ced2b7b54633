// Runs the built program as a script would, without a display, and keeps
// what it printed and how it ended.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace test {

struct Run_Result {
    int Code = -1;
    std::string Out, Err;
};

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
