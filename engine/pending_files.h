// Files that the program has promised but may not have written yet: pages
// drawn in memory, whose PNG is written only when something reads it by
// name. The layer that holds the pictures registers how to tell and write
// them; the engine and the layers above it, which know files by name only,
// ask here before they reuse or hand such a file to another program.
#pragma once

#include <functional>
#include <string>

struct T_Pending_Files {
    // True while the file is promised and not written.
    std::function<bool(const std::string& File)> Is_Pending;
    // Writes a promised file; true when it was not promised or is written
    // now, false with the reason otherwise.
    std::function<bool(const std::string& File, std::string& Error)> Write;
};

// Registers the holder of promised files (one for the process; a later call
// replaces it).
void Register_Pending_Files(T_Pending_Files Files);

// True when File exists on disk or is promised.
bool Exists_Or_Pending(const std::string& File);

// Writes File when it is promised, so that it can be read by name. True
// when nothing was promised under that name or it is written now; false
// with Error when writing failed.
bool Materialise_File(const std::string& File, std::string* Error = nullptr);
