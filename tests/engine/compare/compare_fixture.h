// A private program folder whose imagemagick/ holds the real converter and
// the program's policy, a private temporary folder, and a pair of pictures
// compared through a diff session.
#pragma once

#include "tests/test_support.h"
#include "vocabulary/U_Msg.h"
#include "session/u_diff_session.h"
#include "engine/u_image_compare.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"

#include "platform/os_platform.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace test {

inline std::string Real_Converter()
{
    std::error_code ec;
    auto linked = std::filesystem::canonical(VARNOLT_BUILD_DIR "/imagemagick/convert", ec);
    return ec ? std::string("/usr/bin/convert-im6.q16") : linked.string();
}

// A pair of pictures as the diff view hands it to a session: the files, what
// the converter reads for each side and the settings of the toolbar.
struct Source {
    std::string Left, Right;
    // What the converter reads when it is not Left or Right themselves (the
    // converted pictures), and the formats the panes decoded.
    std::string Left_Input, Right_Input;
    std::string Left_Format = "png", Right_Format = "png";
    T_Converter_Kind Converter = T_Converter_Kind::None;
    T_Paged_Kind Paged = T_Paged_Kind::None;
    int Left_Page = 0, Right_Page = 0;
    bool Trim = false;
    int Shave = 15;
    // The compared images shown, in order.
    std::vector<std::string> Shown;
    // Made at the first comparison, so that later ones share its cache.
    std::unique_ptr<T_Diff_Session> Session;

    T_Compare_Files_Cash& Cache() { return Made_Session().CompareCache; }

    T_Diff_Session& Made_Session()
    {
        if (!Session)
            Session =
                std::make_unique<T_Diff_Session>(Left, Right, Converter, Paged, T_Session_Seams{});
        return *Session;
    }

    T_Compare_Input Input(bool left) const
    {
        const std::string& input = left ? Left_Input : Right_Input;
        return {!input.empty() ? input : left ? Left : Right, left ? Left_Format : Right_Format};
    }
};

// Compares the source's current pair as the view does: a compared image is
// recorded as shown, a failure reported with its message.
inline void Compare(Source& source)
{
    T_Diff_Session& session = source.Made_Session();
    session.LeftPage = source.Left_Page;
    session.RightPage = source.Right_Page;
    session.Trim = source.Trim;
    session.Shave = source.Shave;
    T_Work_Result compared = Compare_Images(session, source.Input(true), source.Input(false));
    if (compared.Done())
        source.Shown.push_back(compared.File);
    else if (!compared.Message.empty())
        Show_Msg(compared.Message);
}

// Converts a pair for display as the view does, reporting a failure.
inline bool Convert_Shown(const Source& source, std::string& right, std::string& left)
{
    T_Work_Result converted = Convert_Pair(source.Converter, right, left);
    if (!converted.Done() && !converted.Message.empty())
        Show_Msg(converted.Message);
    return converted.Done();
}

class Converter_Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        // Blanks and a "$" in the program folder must reach the shell quoted.
        auto folder = tmp.Dir.Path / "Program $HOME files" / "imagemagick";
        std::filesystem::create_directories(folder);
        std::filesystem::create_symlink(Real_Converter(), folder / "convert");
        std::filesystem::copy_file(VARNOLT_BUILD_DIR "/imagemagick/policy.xml",
                                   folder / "policy.xml");
        Set_Converter_Path((folder / "convert").string());
    }

    // Runs the converter directly (with the program's policy) to make inputs.
    void Convert(const std::string& arguments)
    {
        std::string channel;
        auto folder = std::filesystem::path(ConverterPath()).parent_path().string();
        auto result = os::Run_Captured("MAGICK_CONFIGURE_PATH=" + os::Quote_Argument(folder) + " " +
                                           os::Quote_Argument(ConverterPath()) + " " + arguments,
                                       "", channel, nullptr);
        ASSERT_EQ(result.Exit_Code, 0) << arguments << "\n" << channel;
    }

    // A white picture with a black rectangle at x, y.
    std::string Picture(const std::string& name, int x, int y, const std::string& size = "60x40")
    {
        // Made under a plain name: the converter would expand a "%d" in it.
        std::string path = files / name, plain = files / "picture.png";
        Convert("-size " + size + " xc:white -fill black -draw " +
                os::Quote_Argument("rectangle " + std::to_string(x) + "," + std::to_string(y) +
                                   " " + std::to_string(x + 20) + "," + std::to_string(y + 15)) +
                " " + os::Quote_Argument("png:" + plain));
        std::filesystem::rename(plain, path);
        return path;
    }

    // The share of pixels of a compared image that the converter marked as
    // different (its red), from 0 to 1.
    double Marked_Share(const std::string& compared)
    {
        // Read under a plain name: the converter would take "[0]" in it as
        // a frame selector.
        std::string share = files / "share.txt", plain = files / "share.png";
        std::filesystem::copy_file(compared, plain,
                                   std::filesystem::copy_options::overwrite_existing);
        Convert(os::Quote_Argument(plain) +
                " -fuzz 25% -fill black +opaque '#F1001E' -fill white -opaque '#F1001E' "
                "-format '%[fx:mean]' info:" +
                os::Quote_Argument(share));
        return std::stod(test::Read_File(share));
    }

    // Number of compared images in the temporary folder.
    int Compared_Files() const
    {
        int count = 0;
        for (auto& entry : std::filesystem::directory_iterator(Temp_Dir()))
            count += entry.path().string().ends_with(".compared.png");
        return count;
    }

    Private_Tmpdir tmp;
    Scratch_Dir files;
    Msg_Recorder messages;
    Source frame;
};

// Width and height from a PNG's header.
inline std::pair<int, int> Png_Size(const std::string& path)
{
    std::string data = Read_File(path);
    auto be32 = [&](size_t at) {
        return (static_cast<unsigned char>(data[at]) << 24) |
               (static_cast<unsigned char>(data[at + 1]) << 16) |
               (static_cast<unsigned char>(data[at + 2]) << 8) |
               static_cast<unsigned char>(data[at + 3]);
    };
    if (data.size() < 24 || data.compare(1, 3, "PNG") != 0)
        return {0, 0};
    return {be32(16), be32(20)};
}

} // namespace test
