// Helpers shared by the tests: a scratch folder, a private system temporary
// folder, and a presenter that records messages instead of showing them.
#pragma once

#include "vocabulary/U_Msg.h"

#include <cstdlib>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace test {

namespace fs = std::filesystem;

#ifdef _WIN32
// GetTempPath reads TMP first; the runtime changes the environment with
// _putenv_s, where an empty value removes the variable.
constexpr const char* Temp_Variable = "TMP";
inline void Set_Env(const char* name, const char* value) { _putenv_s(name, value); }
inline void Unset_Env(const char* name) { _putenv_s(name, ""); }
#else
constexpr const char* Temp_Variable = "TMPDIR";
inline void Set_Env(const char* name, const char* value) { ::setenv(name, value, 1); }
inline void Unset_Env(const char* name) { ::unsetenv(name); }
#endif

// Whether the tests' converter is ImageMagick. The Windows build runs a
// stand-in that copies its first input to its output: what depends on the
// converter's pictures (trimming, marked differences, converted formats,
// refused inputs) needs the real one.
#ifdef VARNOLT_TEST_STAND_IN_CONVERTER
constexpr bool Converter_Is_ImageMagick = false;
#else
constexpr bool Converter_Is_ImageMagick = true;
#endif

// A fresh folder under the build's own scratch area, removed afterwards.
class Scratch_Dir {
public:
    Scratch_Dir()
    {
        static int counter = 0;
        Path = fs::temp_directory_path() /
               ("varnolt_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::remove_all(Path);
        fs::create_directories(Path);
    }
    ~Scratch_Dir()
    {
        std::error_code ec;
        // Read-only copies must be writable again before they can go.
        for (auto& entry : fs::recursive_directory_iterator(Path, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(Path, ec);
    }
    std::string operator/(const std::string& name) const { return (Path / name).string(); }
    std::string Str() const { return Path.string(); }
    fs::path Path;
};

inline void Write_File(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string Read_File(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Points the system temporary folder (TMPDIR, on Windows TMP) at a scratch folder for the
// lifetime of the object.
class Private_Tmpdir {
public:
    Private_Tmpdir()
    {
        const char* old = std::getenv(Temp_Variable);
        Had_Old = old != nullptr;
        if (old)
            Old = old;
        Set_Env(Temp_Variable, Dir.Str().c_str());
    }
    ~Private_Tmpdir()
    {
        if (Had_Old)
            Set_Env(Temp_Variable, Old.c_str());
        else
            Unset_Env(Temp_Variable);
    }
    Scratch_Dir Dir;

private:
    std::string Old;
    bool Had_Old = false;
};

struct Recorded_Msg {
    T_Msg_Kind Kind;
    std::string Caption;
    std::string Text;
};

// Records messages for the lifetime of the object.
class Msg_Recorder : public T_Msg_Presenter {
public:
    Msg_Recorder() { Previous = Set_Msg_Presenter(this); }
    ~Msg_Recorder() override { Set_Msg_Presenter(Previous); }
    void Present(T_Msg_Kind kind, const std::string& caption, const std::string& text) override
    {
        Messages.push_back({kind, caption, text});
    }
    std::vector<Recorded_Msg> Messages;

private:
    T_Msg_Presenter* Previous = nullptr;
};

} // namespace test
