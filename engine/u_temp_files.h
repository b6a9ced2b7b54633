// The private temporary folder and the unique base names of every file the
// program writes on its own account.
#pragma once

#include <chrono>
#include <string>

// Sets Temp_Dir: a new private folder of this run, "run_<process id>_<n>",
// inside the folder "Quorbit_tmp" in the system temporary folder (created
// when missing), so that runs at the same time never share a name. When
// "Quorbit_tmp" cannot be used (it cannot be created, it is a file, a link,
// or another user's folder) the run's folder goes into a new private folder
// "Quorbit_tmp_" plus six random characters there (Windows: the user's own
// temporary folder), and nothing is reported. The folders of runs that
// ended over an hour ago are removed now, or left for Sweep_Earlier_Runs.
// The converter's temporary files are sent there too (MAGICK_TEMPORARY_PATH,
// inherited by children).
enum class T_Earlier_Runs { Swept_Now, Swept_Later };
void Prepare_Temp_Folder(T_Earlier_Runs Earlier = T_Earlier_Runs::Swept_Now);

// Removes the folders of runs that ended over an hour ago, for as long as
// Budget allows: a run that sweeps after its work keeps its start cheap and
// its length bounded, and what is left waits for a later run.
void Sweep_Earlier_Runs(std::chrono::milliseconds Budget);

// Removes this run's folder with everything in it (read-only copies too),
// for a run that leaves nothing behind; the next Temp_Dir() prepares a new
// one. A folder that is not a run's own (a fallback) is left alone.
void Remove_Temp_Folder();

// The private temporary folder, with a trailing separator.
const std::string& Temp_Dir();

// Re-seeds the name generator from the high-resolution counter; done right
// before names are made, so that two runs never draw the same numbers.
void Randomize_Temp_Names();

// "tempfile_#_" + random number (0 to 2147483644) + "_" + tick count.
std::string Temp_File_Name();

// Makes an output name in Temp_Dir from a fresh base name and a suffix.
std::string Temp_Path(const std::string& suffix);

// A new folder of its own inside Temp_Dir, private to the user, with a
// trailing separator; "" when none can be made.
std::string Make_Private_Subfolder();

// Removes a folder that Make_Private_Subfolder made, with everything in it
// (read-only copies too). A folder outside Temp_Dir is left alone.
void Remove_Private_Subfolder(const std::string& Folder);

// Copies the base file into Temp_Dir under `target_name`, read-only, and on
// success replaces `base_name` by the copy's full name; on failure leaves it
// unchanged and says nothing. An earlier copy of that name is replaced.
void Copy_Base_To_Temp(std::string& base_name, const std::string& target_name);
