#include "engine/u_temp_files.h"

#include "vocabulary/file_names.h"
#include "platform/os_platform.h"

#include <chrono>
#include <filesystem>
#include <mutex>
#include <random>

namespace {

std::string temp_dir;
std::minstd_rand generator{os::Performance_Counter_Low()};
// Names are drawn on worker threads too (the folder list measures its pairs
// in the background while the window converts).
std::mutex generator_lock;

// A run's folder: "run_" + the process id + "_" + a number.
constexpr const char* Run_Prefix = "run_";
// A finished run's folder is removed only once it is this old: a viewer
// started on its compared image may still read it.
constexpr auto Finished_Run_Grace = std::chrono::hours(1);

// The process that made a run's folder, from its name; 0 when the name is
// not one of a run's folder.
long Run_Owner(const std::string& name)
{
    const std::string prefix = Run_Prefix;
    if (name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::size_t end = name.find('_', prefix.size());
    if (end == std::string::npos || end == prefix.size())
        return 0;
    long pid = 0;
    for (std::size_t at = prefix.size(); at < end; ++at) {
        if (name[at] < '0' || name[at] > '9' || pid > 100'000'000)
            return 0;
        pid = pid * 10 + (name[at] - '0');
    }
    return pid;
}

// Removes a folder and everything below it. The program's copies are
// read-only, which Windows will not delete: the owner's write right is given
// back first (links are not followed).
void Remove_Tree(const std::filesystem::path& folder, std::error_code& error)
{
    namespace fs = std::filesystem;
    std::error_code walk_error;
    for (fs::recursive_directory_iterator entry(folder, walk_error), end;
         !walk_error && entry != end; entry.increment(walk_error)) {
        std::error_code ignored;
        if (!entry->is_symlink(ignored))
            fs::permissions(entry->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(folder, error);
}

// The shared folder the runs' folders lie in, once one was made.
std::string shared_folder;

// Removes the folders of runs that have ended and not been touched for a
// while, until Deadline. A failure leaves the folder for a later run.
void Remove_Finished_Runs(const std::string& folder, std::chrono::steady_clock::time_point Deadline)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator entry(os::Utf8_Path(folder), error), end;
         !error && entry != end && std::chrono::steady_clock::now() < Deadline;
         entry.increment(error)) {
        const long owner = Run_Owner(os::Utf8_Name(entry->path().filename()));
        std::error_code status_error;
        if (owner == 0 || owner == os::Process_Id() || os::Process_Exists(owner) ||
            !entry->is_directory(status_error) || entry->is_symlink(status_error))
            continue;
        const auto touched = fs::last_write_time(entry->path(), status_error);
        if (!status_error && now - touched > Finished_Run_Grace)
            Remove_Tree(entry->path(), status_error);
    }
}

// A new private folder for this run inside `folder`; `folder` itself when
// none can be made.
std::string Make_Run_Folder(const std::string& folder)
{
    const std::string stem =
        folder + os::Path_Separator() + Run_Prefix + std::to_string(os::Process_Id()) + "_";
    for (int number = 1; number < 1000; ++number) {
        const std::string run = stem + std::to_string(number);
        std::error_code error;
        if (!std::filesystem::exists(os::Utf8_Path(run), error) && !error &&
            os::Ensure_Private_Folder(run))
            return run;
    }
    return folder;
}

} // namespace

void Prepare_Temp_Folder(T_Earlier_Runs Earlier)
{
    std::string base = os::System_Temp_Path();
    std::string folder = base + "Quorbit_tmp";
    if (!os::Ensure_Private_Folder(folder)) {
        // Another user's folder, a link or a file holds the name: a folder
        // of our own beside it, never the shared folder itself.
        folder = os::Make_Fallback_Private_Folder(base, "Quorbit_tmp_");
        if (folder.empty()) {
            // Nothing can be made in the system temporary folder; what is
            // written there fails as well, and says so.
            temp_dir = base;
            return;
        }
    }
    // Each run works in a folder of its own inside: the pages, copies and
    // pictures of two runs at once never meet, whatever their names.
    // Only our own folder is swept: the Windows fallback is the user's
    // temporary folder, where other programs' folders live.
    if (File_Name_Part(folder).rfind("Quorbit_tmp", 0) == 0) {
        shared_folder = folder;
        if (Earlier == T_Earlier_Runs::Swept_Now)
            Remove_Finished_Runs(folder, std::chrono::steady_clock::time_point::max());
    }
    folder = Make_Run_Folder(folder);
    temp_dir = folder + os::Path_Separator();
    // The converter's own scratch files (and its pixel cache, gigabytes
    // for a large picture) go with ours; every converter run inherits this.
    os::Set_Environment("MAGICK_TEMPORARY_PATH", folder);
}

void Remove_Temp_Folder()
{
    if (temp_dir.empty())
        return;
    const std::string folder = temp_dir.substr(0, temp_dir.size() - 1);
    if (Run_Owner(File_Name_Part(folder)) != os::Process_Id())
        return;
    std::error_code error;
    Remove_Tree(os::Utf8_Path(folder), error);
    temp_dir.clear();
}

void Sweep_Earlier_Runs(std::chrono::milliseconds Budget)
{
    if (!shared_folder.empty())
        Remove_Finished_Runs(shared_folder, std::chrono::steady_clock::now() + Budget);
}

const std::string& Temp_Dir()
{
    if (temp_dir.empty())
        Prepare_Temp_Folder();
    return temp_dir;
}

void Randomize_Temp_Names()
{
    std::lock_guard lock(generator_lock);
    generator.seed(os::Performance_Counter_Low());
}

std::string Temp_File_Name()
{
    std::uniform_int_distribution<long> draw(0, 2147483644);
    std::lock_guard lock(generator_lock);
    return "tempfile_#_" + std::to_string(draw(generator)) + "_" + std::to_string(os::Tick_Count());
}

std::string Temp_Path(const std::string& suffix) { return Temp_Dir() + Temp_File_Name() + suffix; }

std::string Make_Private_Subfolder()
{
    const std::string folder = Temp_Dir() + Temp_File_Name();
    return os::Ensure_Private_Folder(folder) ? folder + os::Path_Separator() : std::string();
}

void Remove_Private_Subfolder(const std::string& Folder)
{
    const std::string& inside = Temp_Dir();
    if (Folder.size() <= inside.size() || Folder.compare(0, inside.size(), inside) != 0)
        return;
    std::error_code error;
    Remove_Tree(os::Utf8_Path(Folder.substr(0, Folder.find_last_not_of(os::Path_Separator()) + 1)),
                error);
}

void Copy_Base_To_Temp(std::string& base_name, const std::string& target_name)
{
    std::string destination = Temp_Dir() + target_name;
    // A silent copy that replaces an earlier (read-only) one, straight through
    // the platform layer: the process operations build on this file.
    if (os::Copy_File_Replace(base_name, destination) && os::Set_Read_Only(destination))
        base_name = os::Full_Path_Name(destination);
}
