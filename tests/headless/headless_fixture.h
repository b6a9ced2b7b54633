// The comparison without a window as the command line runs it, in process:
// the options after "--compare" parsed and run, what it printed kept.
#pragma once

#include "command_line/command_options.h"
#include "headless/headless_compare.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <sstream>

namespace fs = std::filesystem;

// A white picture with black boxes (x, y, width, height).
inline void Make_Png(const std::string& path, int width, int height, std::vector<QRect> boxes = {})
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const QRect& box : boxes)
        painter.fillRect(box, Qt::black);
    painter.end();
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

class Headless : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
    }
    // Parses the options after "--compare" as the program does and runs the
    // comparison; Out and Err keep what it printed.
    int Compare(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"varnolt", "--compare"});
        const T_Command_Options options = Parse_Command_Options(arguments);
        EXPECT_EQ(options.Action, T_Command_Options::T_Action::Compare) << options.Error;
        std::ostringstream out, err;
        const int code = Run_Headless_Compare(options, out, err);
        Out = out.str();
        Err = err.str();
        return code;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages; // nothing may end in a message box
    std::string Out, Err;
};
