// The per-view cache of compared images, keyed by shave setting and pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct T_Compare_Files_Entry {
    std::int32_t LeftPage = 0;
    std::int32_t RightPage = 0;
    std::string ComparedFile;
    std::int32_t Shave = 0;
};

// Entries stay in the order they were added; a key is added once and never
// changed. The image files belong to the temporary folder, not to the cache.
struct T_Compare_Files_Cash {
    std::vector<T_Compare_Files_Entry> Items;

    void Clear() { Items.clear(); }
    // Index of the entry with that key, or -1.
    int Find(std::int32_t shave, std::int32_t left_page, std::int32_t right_page) const;
    // The entry's file when the entry exists and the file is still on disk;
    // otherwise an empty name.
    void Get_Compared_File(std::int32_t shave, std::int32_t left_page, std::int32_t right_page,
                           std::string& file_name) const;
    // Adds an entry for a key that is not present yet; otherwise does nothing.
    void Add_Compared_File(const std::string& file_name, std::int32_t shave, std::int32_t left_page,
                           std::int32_t right_page);
};
