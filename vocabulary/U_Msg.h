// The message catalogue and the two ways the program shows a text: a plain
// box and a warning box captioned "Error!". Every layer may use this leaf.
#pragma once

#include <string>

struct TTxtRes_Record {
    const char* Key;
    const char* Text;
};

constexpr int Msg_Catalogue_Size = 43;
extern const TTxtRes_Record Msg_Catalogue[Msg_Catalogue_Size];

// Positions of the rows that the program shows. Lookups go by position; the
// key only documents the row.
enum T_Msg_Id : unsigned char {
    cap_No_Display = 0,
    cap_Unexpected_Error = 1,
    cap_Image_Too_Large = 2,
    cap_Image_Unreadable = 3,
    cap_File_Is_Folder = 4,
    cap_File_Not_Regular = 5,
    cap_File_Not_Readable = 6,
    cap_No_Version_Exists = 7,
    cap_Dwg_Needs_Visio = 9,
    cap_Page_Export_Fail = 10,
    cap_Components_Not_Found = 11,
    cap_Office_Export_Fail = 12,
    cap_Office_Not_Installed = 13,
    cap_Image_Compare_Fail = 24,
    cap_Image_Compare = 25,
    cap_Image_Compare_Size_Is_Different = 26,
    cap_Image_Convert_Fail = 27,
    cap_MSWord_Not_Found = 29,
    cap_MSVisio_Not_Found = 30,
    cap_MSVisio_Export_Fail = 31,
    cap_Kompas_Not_Found = 32,
    cap_File_Not_Found = 33,
    cap_Cant_Open_File = 34,
    cap_Error = 35,
};

// The row's text with every backslash-n pair turned into CR LF.
std::string Get_Msg(unsigned char position);

// Plain box: no icon, one OK button, the application's title as caption.
void Show_Msg(const std::string& text);
// Warning box captioned "Error!".
void Show_Error(const std::string& text);
// The general error report for an unexpected failure (an exception that
// reached the event loop): stop icon, the application's title as caption.
void Show_Exception(const std::string& text);

// The application's title: the executable's file name up to its first dot,
// every letter after the first in lower case ("Varnolt.exe" gives "Varnolt").
std::string Title_From_Executable(const std::string& file_name);
const std::string& Application_Title();
void Set_Application_Title(const std::string& title);

enum class T_Msg_Kind { Plain, Warning, Stop };

// Shows a message modally and returns when it has been closed. The program
// installs a message-box presenter, tests a recorder; without one, messages
// go to the standard error stream.
class T_Msg_Presenter {
public:
    virtual ~T_Msg_Presenter() = default;
    virtual void Present(T_Msg_Kind kind, const std::string& caption, const std::string& text) = 0;
};

// Installs a presenter (nullptr restores the standard-error one) and returns
// the one it replaces.
T_Msg_Presenter* Set_Msg_Presenter(T_Msg_Presenter* presenter);
