// The page model of multi-page drawings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct T_Page_rec {
    std::string Name;      // caption of the page tab
    std::int32_t ID = 0;   // pairs the pages of the two documents
    std::string File_Name; // PNG written for the page; empty until exported
};

// The pages of a document in page order. Shared, not copied: every holder of
// a reference sees a File_Name recorded later by an export.
using T_Page_List_A = std::shared_ptr<std::vector<T_Page_rec>>;

struct T_Page_List {
    T_Page_List_A Items = std::make_shared<std::vector<T_Page_rec>>();

    int Count() const { return Items ? static_cast<int>(Items->size()) : 0; }
    bool Is_Valid_Index(int index) const { return index >= 0 && index < Count(); }
    // Drops this reference's pages: the list becomes empty here, while other
    // holders of the same pages keep them.
    void Clear() { Items = std::make_shared<std::vector<T_Page_rec>>(); }
    T_Page_rec& operator[](int index) { return (*Items)[static_cast<size_t>(index)]; }
    const T_Page_rec& operator[](int index) const { return (*Items)[static_cast<size_t>(index)]; }
};
