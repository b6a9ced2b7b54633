#include "headless/html_report_folder.h"

#include "headless/compared_modified.h"
#include "headless/differences_picture.h"
#include "headless/html_report_page.h"
#include "platform/os_platform.h"
#include "vocabulary/picture_limit.h"
#include "headless/png_file.h"
#include "imaging/picture_structure.h"
#include "imaging/u_image_load.h"
#include "session/pair_kinds.h"

#include <cctype>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const Picture_Roles[] = {"base", "modified", "differences"};

bool All_Digits(const std::string& Text)
{
    if (Text.empty())
        return false;
    for (char c : Text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Whether a file directly in the folder is one a report writes.
bool Is_Report_File(const fs::path& Name)
{
    return Name == Report_Page_File || Name == Report_Data_File;
}

// The previous report's pictures, or false with the first entry that is
// not one (then nothing is removed).
bool Previous_Pictures(const fs::path& Pictures, std::vector<fs::path>& Found, std::string& Foreign)
{
    std::error_code error;
    for (fs::directory_iterator at(Pictures, error), end; !error && at != end;
         at.increment(error)) {
        const std::string name = os::Utf8_Name(at->path().filename());
        if (!at->is_regular_file(error) || at->is_symlink(error) ||
            !Is_Report_Picture_Name(std::string(Report_Pictures_Folder) + "/" + name)) {
            Foreign = std::string(Report_Pictures_Folder) + "/" + name;
            return false;
        }
        Found.push_back(at->path());
    }
    if (error)
        Foreign = std::string(Report_Pictures_Folder) + " (" + error.message() + ")";
    return !error;
}

// The report files and pictures a folder holds when it holds a previous
// report and nothing else; false with the reason otherwise.
bool Previous_Report(const fs::path& Folder, std::vector<fs::path>& Pictures, std::string& Error)
{
    std::error_code error;
    bool has_data = false;
    for (fs::directory_iterator at(Folder, error), end; !error && at != end; at.increment(error)) {
        const fs::path name = at->path().filename();
        const fs::file_status status = at->symlink_status(error);
        if (Is_Report_File(name) && fs::is_regular_file(status)) {
            has_data = has_data || name == Report_Data_File;
            continue;
        }
        std::string foreign;
        if (name == Report_Pictures_Folder && fs::is_directory(status) &&
            Previous_Pictures(at->path(), Pictures, foreign))
            continue;
        Error = "it holds " + (foreign.empty() ? os::Utf8_Name(name) : foreign) +
                ", which no report of this program writes";
        return false;
    }
    if (error) {
        Error = "cannot read it (" + error.message() + ")";
        return false;
    }
    // Folders of pictures and pages alone are no report: report.json says
    // the folder was one.
    if (!has_data && !Pictures.empty()) {
        Error = "it holds pictures but no " + std::string(Report_Data_File);
        return false;
    }
    return true;
}

bool Make_Folder(const fs::path& Folder, std::string& Error)
{
    std::error_code error;
    std::vector<fs::path> made;
    for (fs::path at = Folder; !at.empty() && !fs::exists(at, error); at = at.parent_path())
        made.push_back(at);
    fs::create_directories(Folder, error);
    if (error || !fs::is_directory(Folder, error)) {
        Error = "cannot make the folder (" + error.message() + ")";
        return false;
    }
    for (const fs::path& path : made)
        os::Give_User_Permissions(os::Utf8_Name(path));
    return true;
}

std::string Picture_Name(std::size_t Pair_Number, int Picture_Number, const char* Role)
{
    return std::string(Report_Pictures_Folder) + "/" + std::to_string(Pair_Number) + "-" +
           std::to_string(Picture_Number) + "-" + Role + ".png";
}

} // namespace

bool Is_Report_Picture_Name(const std::string& Name)
{
    const std::string prefix = std::string(Report_Pictures_Folder) + "/";
    if (Name.rfind(prefix, 0) != 0 || Name.size() < prefix.size() + 4 ||
        Name.compare(Name.size() - 4, 4, ".png") != 0)
        return false;
    const std::string stem = Name.substr(prefix.size(), Name.size() - prefix.size() - 4);
    const std::size_t first = stem.find('-');
    const std::size_t second = first == std::string::npos ? first : stem.find('-', first + 1);
    if (second == std::string::npos)
        return false;
    const std::string role = stem.substr(second + 1);
    bool known_role = false;
    for (const char* known : Picture_Roles)
        known_role = known_role || role == known;
    return known_role && All_Digits(stem.substr(0, first)) &&
           All_Digits(stem.substr(first + 1, second - first - 1));
}

bool Prepare_Report_Folder(const std::string& Folder, std::string& Error)
{
    const fs::path folder = os::Utf8_Path(Folder);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    std::vector<fs::path> previous;
    if (!fs::exists(status)) {
        if (!Make_Folder(folder, Error))
            return false;
    } else if (!fs::is_directory(fs::status(folder, error))) {
        Error = "it is not a folder";
        return false;
    } else if (!Previous_Report(folder, previous, Error)) {
        return false;
    }
    for (const fs::path& picture : previous)
        if (!fs::remove(picture, error)) {
            Error = "cannot remove the previous report's " + os::Utf8_Name(picture.filename()) +
                    " (" + error.message() + ")";
            return false;
        }
    return Make_Folder(folder / Report_Pictures_Folder, Error);
}

namespace {

// A picture of the report as its file holds it: a PNG that a browser shows
// as it was compared is copied, not decoded and encoded again.
bool Is_Shown_As_Stored(const std::string& File, int Width, int Height)
{
    if (File.empty())
        return false;
    const T_Picture_Structure structure = Check_Picture_Structure(File);
    return structure.Format == T_Picture_Structure::T_Format::Png && structure.Sound &&
           !structure.Exif && structure.Width == Width && structure.Height == Height;
}

// Writes the picture of a version, of the given size: copied from the file
// Stored_In where it shows as it lies there, else encoded from Picture,
// else decoded from Stored_In first (a pair compared while it was read
// holds no picture). The reason when nothing could be written.
std::string Write_Picture(const QImage& Picture, const std::string& Stored_In, int Width,
                          int Height, const std::string& Path)
{
    if (Is_Shown_As_Stored(Stored_In, Width, Height) && os::Copy_File_Replace(Stored_In, Path))
        return {};
    if (!Picture.isNull() || Stored_In.empty())
        return Save_Png(Picture, Path, true);
    const T_Loaded_Picture loaded = Load_Picture(Stored_In);
    if (loaded.Result != T_Picture_Load_Result::Loaded)
        return "cannot read " + Stored_In;
    return Save_Png(loaded.Image, Path, true);
}

std::string Write_Picture(const QImage& Picture, const std::string& Stored_In,
                          const std::string& Path)
{
    return Write_Picture(Picture, Stored_In, Picture.width(), Picture.height(), Path);
}

// The one picture of a picture file on one side only (added or removed),
// under its side's role; its area is the picture itself. Pages of documents
// on one side only get none: that would draw every page.
T_Report_Pictures Write_One_Side_Picture(const std::string& Folder, const T_Compared_Pair& Pair,
                                         std::size_t Pair_Number, int Picture_Number)
{
    T_Report_Pictures pictures;
    const bool old_side = Pair.Result == T_Verdict::Only_Old;
    if (!Pair.Input)
        return pictures;
    const T_Input_Side& side = old_side ? Pair.Input->Old : Pair.Input->New;
    if (side.Kind != dk_Image)
        return pictures;
    const std::string& file = side.Readable;
    const T_Loaded_Picture loaded = Load_Picture(file);
    // A picture that cannot be read is shown as a row without one: its pair
    // is not an error, it is only on one side.
    if (loaded.Result != T_Picture_Load_Result::Loaded)
        return pictures;
    const char* role = old_side ? "base" : "modified";
    const T_Html_Picture placed{Picture_Name(Pair_Number, Picture_Number, role), 0, 0,
                                loaded.Image.width(), loaded.Image.height()};
    const std::string path = os::Utf8_Name(os::Utf8_Path(Folder) / os::Utf8_Path(placed.File));
    if (std::string why = Write_Picture(loaded.Image, loaded.Oriented ? std::string() : file, path);
        !why.empty()) {
        pictures.Error = "cannot write " + path + ": " + why;
        return pictures;
    }
    os::Give_User_Permissions(path);
    (old_side ? pictures.Base : pictures.Modified) = placed;
    pictures.Differences = placed;
    return pictures;
}

} // namespace

T_Report_Pictures Write_Report_Pictures(const std::string& Folder, const T_Compared_Pair& Pair,
                                        const T_Difference_Options& Options,
                                        std::size_t Pair_Number, int Picture_Number)
{
    if ((Pair.Result == T_Verdict::Only_Old || Pair.Result == T_Verdict::Only_New) &&
        Pair.Old_Page.empty() && Pair.New_Page.empty())
        return Write_One_Side_Picture(Folder, Pair, Pair_Number, Picture_Number);
    T_Report_Pictures pictures;
    const T_Difference* difference = Pair.Difference.get();
    // The pictures of files are copied or read again from their files when
    // the pair holds none (it was compared while read); pages always come
    // with theirs.
    const bool pictures_of_files = Pair.Old_Page.empty() && Pair.New_Page.empty();
    const bool pictures_held = !Pair.Modified.isNull() && !Pair.Base.isNull();
    if (Pair.Result != T_Verdict::Different || !difference ||
        !(pictures_held || (pictures_of_files && !Pair.Old_File.empty() && !Pair.New_File.empty())))
        return pictures;
    // The area's size is known before a pixel of it is made: two cheap files
    // of very different shapes would otherwise make gigabytes.
    if (!Picture_Fits(difference->Width, difference->Height)) {
        pictures.Error = "the differences picture of " + Pair_Label(Pair) + " would be " +
                         std::to_string(difference->Width) + " x " +
                         std::to_string(difference->Height) + " pixels, more than the limit";
        return pictures;
    }
    pictures.Left = difference->Left;
    pictures.Top = difference->Top;
    // The modified picture as it was compared (redrawn, or moved by the
    // shift found), so that it lies under the changes found on it; the
    // page lays the changes over it. Where each picture stands on the area:
    // see Differences_Picture.
    const T_Compared_Modified modified =
        Compared_Modified(Pair, Options.Offset_X, Options.Offset_Y);
    const int modified_width = pictures_held ? modified.Picture.width() : Pair.New_Width;
    const int modified_height = pictures_held ? modified.Picture.height() : Pair.New_Height;
    const T_Html_Picture placed[] = {
        {Picture_Name(Pair_Number, Picture_Number, "base"), -difference->Left, -difference->Top,
         pictures_held ? Pair.Base.width() : Pair.Old_Width,
         pictures_held ? Pair.Base.height() : Pair.Old_Height},
        {Picture_Name(Pair_Number, Picture_Number, "modified"),
         modified.Offset_X - difference->Left, modified.Offset_Y - difference->Top, modified_width,
         modified_height},
        {Picture_Name(Pair_Number, Picture_Number, "differences"), 0, 0, difference->Width,
         difference->Height}};
    const QImage images[] = {Pair.Base, modified.Picture,
                             Differences_Overlay(*difference, Options.Ignore)};
    // The files the pictures came from, where they are shown as they lie:
    // pictures, not pages of documents, and not redrawn by an alignment.
    const std::string stored_in[] = {
        pictures_of_files ? Pair.Old_File : std::string(),
        pictures_of_files && Pair.Compared_Modified.isNull() ? Pair.New_File : std::string(),
        {}};
    for (int i = 0; i < 3; ++i) {
        const std::string path =
            os::Utf8_Name(os::Utf8_Path(Folder) / os::Utf8_Path(placed[i].File));
        if (std::string why =
                Write_Picture(images[i], stored_in[i], placed[i].Width, placed[i].Height, path);
            !why.empty()) {
            pictures.Error = "cannot write " + path + ": " + why;
            return pictures;
        }
        os::Give_User_Permissions(path);
    }
    pictures.Base = placed[0];
    pictures.Modified = placed[1];
    pictures.Differences = placed[2];
    return pictures;
}

bool Write_Report_Files(const std::string& Folder, const T_Html_Report& Report, std::string& Error)
{
    const fs::path folder = os::Utf8_Path(Folder);
    for (const auto& [name, text] : {std::pair{Report_Data_File, Html_Report_Json(Report)},
                                     std::pair{Report_Page_File, Html_Report_Page(Report)}}) {
        const std::string path = os::Utf8_Name(folder / name);
        std::string why;
        if (!os::Write_File_Whole(path, text, why)) {
            Error = "cannot write " + path + ": " + why;
            return false;
        }
        os::Give_User_Permissions(path);
    }
    return true;
}
