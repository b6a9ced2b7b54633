#include "u_temp_files.h"

#include "os_platform.h"

#include <mutex>
#include <random>

namespace {

std::string temp_dir;
std::minstd_rand generator{os::Performance_Counter_Low()};
// Names are drawn on worker threads too (the folder list measures its pairs
// in the background while the window converts).
std::mutex generator_lock;

} // namespace

void Prepare_Temp_Folder()
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
    temp_dir = folder + os::Path_Separator();
    // The converter's own scratch files (and its pixel cache, gigabytes
    // for a large picture) go with ours; every converter run inherits this.
    os::Set_Environment("MAGICK_TEMPORARY_PATH", folder);
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

void Copy_Base_To_Temp(std::string& base_name, const std::string& target_name)
{
    std::string destination = Temp_Dir() + target_name;
    // A silent copy that replaces an earlier (read-only) one, straight through
    // the platform layer: the process operations build on this file.
    if (os::Copy_File_Replace(base_name, destination) && os::Set_Read_Only(destination))
        base_name = os::Full_Path_Name(destination);
}
