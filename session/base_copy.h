// The private copy of a paged document's base, owned by its session: the
// page images are named after the base, and a copy in a folder of the
// session's own keeps them out of the user's folder and apart from every
// other session's, whatever the documents are called. The folder goes with
// the copy, and with it every page written there.
#pragma once

#include <string>

// The name part of File, shortened to leave room for "_l_page_", ten digits
// and ".png": what the pages named after a private copy start with.
std::string Page_Name_Stem(const std::string& File);

class T_Base_Copy {
public:
    // Copies Base, read-only, into a new private folder under the modified
    // file's name (its Page_Name_Stem). The folder is made all the same for a base that does not
    // exist (the null device), which is not copied;
    // against a modified version that does not exist the copy keeps the
    // base's name. Where no copy can be made, the base is used as it is.
    T_Base_Copy(const std::string& Base, const std::string& Modified);
    // Nothing copied: the base is used as it is.
    T_Base_Copy() = default;
    // Removes the folder with the copy and everything written beside it.
    ~T_Base_Copy();
    T_Base_Copy(const T_Base_Copy&) = delete;
    T_Base_Copy& operator=(const T_Base_Copy&) = delete;

    // The file to open: the copy, or the base itself.
    const std::string& File() const { return File_; }
    // The session's own folder (with a trailing separator); "" when none.
    const std::string& Folder() const { return Folder_; }
    // Message with the copy's name replaced by the user's.
    std::string In_Users_Names(const std::string& Message) const;

private:
    std::string Users_Name_;
    std::string File_;
    std::string Folder_;
};
