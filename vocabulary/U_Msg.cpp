#include "vocabulary/U_Msg.h"

#include <iostream>

// Rows 24 to 35 are the texts the program has always shown; rows 0 to 13 are
// texts of its own newer checks (but row 8); the remaining rows are unused.
const TTxtRes_Record Msg_Catalogue[Msg_Catalogue_Size] = {
    {"cap_No_Display",
     "Varnolt needs a graphical display for its window, and none was found.\\nTo compare "
     "without a window:\\n  varnolt --compare OldFile NewFile"},
    {"cap_Unexpected_Error", "Unexpected error:"},
    {"cap_Image_Too_Large", "Image is too large to show!"},
    {"cap_Image_Unreadable", "Can't read image!\\nFile may be corrupted or of an unknown format."},
    {"cap_File_Is_Folder", "This is a folder, not a file!"},
    {"cap_File_Not_Regular", "This is not a regular file (a pipe, socket or device)!"},
    {"cap_File_Not_Readable", "Permission denied: the file cannot be read!"},
    {"cap_No_Version_Exists", "Nothing to compare: neither version exists."},
    {"cap_Unused_8", ""},
    {"cap_Dwg_Needs_Visio", "DWG drawings can only be compared by MS Visio, which is not installed "
                            "here.\\nSave both drawings as DXF and compare those."},
    {"cap_Page_Export_Fail", "The page could not be drawn."},
    {"cap_Components_Not_Found", "Application components not found!\\nPlease, check for you have "
                                 "unpack application properly!"},
    {"cap_Office_Export_Fail", "LibreOffice could not draw the page."},
    {"cap_Office_Not_Installed",
     "Visio, DXF and Word files are opened with LibreOffice through the package "
     "varnolt-office, which is not installed.\\nInstall it, with LibreOffice Draw and Writer: "
     "sudo apt install varnolt-office"},
    {"cap_Unused_14", ""},
    {"cap_Unused_15", ""},
    {"cap_Unused_16", ""},
    {"cap_Unused_17", ""},
    {"cap_Unused_18", ""},
    {"cap_Unused_19", ""},
    {"cap_Unused_20", ""},
    {"cap_Unused_21", ""},
    {"cap_Unused_22", ""},
    {"cap_Unused_23", ""},
    {"cap_Image_Compare_Fail", "Image compare fail!"},
    {"cap_Image_Compare", "Compare images"},
    {"cap_Image_Compare_Size_Is_Different", "Compare images with different sizes"},
    {"cap_Image_Convert_Fail", "Image convert fail!\\nFile may be corrupted."},
    {"cap_Unused_28", ""},
    {"cap_MSWord_Not_Found", "MS Word is not found! You need the MS Word installed to use this "
                             "function for MS Word documents."},
    {"cap_MSVisio_Not_Found", "MS Visio is not found! You need the MS Visio installed to use this "
                              "function for this type of documents."},
    {"cap_MSVisio_Export_Fail", "MS Visio export fail."},
    {"cap_Kompas_Not_Found", "Kompas is not found! You need the Kompas installed to use this "
                             "function for this type of documents."},
    {"cap_File_Not_Found", "File not found!"},
    {"cap_Cant_Open_File", "Can't open file!\\nFile may be corrupted or locked."},
    {"cap_Error", "Error!"},
    {"cap_Unused_36", ""},
    {"cap_Unused_37", ""},
    {"cap_Unused_38", ""},
    {"cap_Unused_39", ""},
    {"cap_Unused_40", ""},
    {"cap_Unused_41", ""},
    {"cap_Unused_42", ""},
};

std::string Get_Msg(unsigned char position)
{
    if (position >= Msg_Catalogue_Size)
        return {};
    std::string text = Msg_Catalogue[position].Text;
    for (auto at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 2)) {
        text[at] = '\r';
        text[at + 1] = '\n';
    }
    return text;
}

namespace {

class T_Stderr_Presenter : public T_Msg_Presenter {
public:
    void Present(T_Msg_Kind, const std::string& caption, const std::string& text) override
    {
        std::string plain;
        for (char c : text)
            if (c != '\r')
                plain += c;
        std::cerr << caption << ": " << plain << std::endl;
    }
};

T_Stderr_Presenter stderr_presenter;
T_Msg_Presenter* presenter = &stderr_presenter;

std::string& Title()
{
    static std::string title = "varnolt";
    return title;
}

} // namespace

T_Msg_Presenter* Set_Msg_Presenter(T_Msg_Presenter* replacement)
{
    T_Msg_Presenter* old = presenter;
    presenter = replacement ? replacement : &stderr_presenter;
    return old;
}

std::string Title_From_Executable(const std::string& file_name)
{
    std::string title = file_name.substr(0, file_name.find('.'));
    for (size_t i = 1; i < title.size(); ++i)
        if (title[i] >= 'A' && title[i] <= 'Z')
            title[i] = static_cast<char>(title[i] - 'A' + 'a');
    return title;
}

const std::string& Application_Title() { return Title(); }

void Set_Application_Title(const std::string& title) { Title() = title; }

void Show_Msg(const std::string& text) { presenter->Present(T_Msg_Kind::Plain, Title(), text); }

void Show_Error(const std::string& text)
{
    presenter->Present(T_Msg_Kind::Warning, Get_Msg(cap_Error), text);
}

void Show_Exception(const std::string& text)
{
    presenter->Present(T_Msg_Kind::Stop, Title(), text);
}
