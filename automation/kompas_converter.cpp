#include "automation/kompas_converter.h"

#include "automation/u_ms_ole_common.h"

#include "platform/os_platform.h"

#include <algorithm>
#include <cctype>

namespace {

// The drawing document interface, which offers the raster export.
const T_Guid Drawing_Document_IID{"{AF4E160D-5C89-4F21-B0F2-D53397BDAF78}"};

// Members of the application and of the drawing interface.
enum : std::int32_t {
    App_Quit = 82,
    Drawing_Export_Params = 191, // a new export parameter object
    Drawing_Export = 190,        // writes a page under a file name
};

// How each kind of document is created, loaded and asked for its page count.
struct T_Kompas_Doc_Kind {
    std::int32_t Create;     // application member returning the document object
    std::int32_t Open;       // document member loading the file
    bool Open_Flag_Is_Short; // the open member's second argument: 1 as a short, or true
    std::int32_t Page_Count; // document member returning the number of pages
};

const T_Kompas_Doc_Kind Specification_Kind{10, 12, true, 6};
const T_Kompas_Doc_Kind Text_Document_Kind{87, 7, true, 15};
const T_Kompas_Doc_Kind Drawing_Kind{4, 149, false, 226};

const T_Kompas_Doc_Kind& Kind_Of(const std::string& File_Name)
{
    std::string extension = Kompas_Extension(File_Name);
    if (extension == ".spw")
        return Specification_Kind;
    if (extension == ".kdw")
        return Text_Document_Kind;
    return Drawing_Kind;
}

} // namespace

std::string Kompas_Extension(const std::string& File_Name)
{
    size_t name_start = File_Name.find_last_of("/\\");
    name_start = name_start == std::string::npos ? 0 : name_start + 1;
    size_t dot = File_Name.rfind('.');
    if (dot == std::string::npos || dot < name_start)
        return "";
    std::string extension = File_Name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool T_Kompas_Multipage_Wrapper::Start_App()
{
    T_Variant app;
    std::string error;
    if (Try_Create_Ole_Object(Prog_ID, app, error) && app.Kind() == T_Variant_Kind::Dispatch) {
        Kompas_App = app.As_Dispatch();
        return true;
    }
    // The diff view names the missing application itself; the system's text
    // would add nothing for the user.
    if (On_Error)
        On_Error("");
    return false;
}

bool T_Kompas_Multipage_Wrapper::Quit_App()
{
    if (!Kompas_App)
        return false;
    try {
        Kompas_App->Call(App_Quit);
        Kompas_App.reset();
        return true;
    } catch (...) {
        return false;
    }
}

bool T_Kompas_Multipage_Wrapper::Close_Doc(int Doc_Index)
{
    return Close_Doc_By(Doc_Index, "ksCloseDocument");
}

T_Open_Result T_Kompas_Multipage_Wrapper::Open_Doc(const std::string& File_Name, int& Doc_Index,
                                                   std::string& Error_Text)
{
    Error_Text.clear();
    if (!os::File_Exists(File_Name))
        return T_Open_Result::No_File;
    if (!Kompas_App) {
        Error_Text = "Kompas is not running.";
        return T_Open_Result::Automation_Error;
    }
    const T_Kompas_Doc_Kind& kind = Kind_Of(File_Name);
    try {
        T_Variant doc = Kompas_App->Call(kind.Create);
        // Without a document object there is nothing to load the file into,
        // and nothing may be appended: the last entry of Docs belongs to
        // another file.
        if (doc.Kind() != T_Variant_Kind::Dispatch) {
            Error_Text = "Kompas returned no document object for " + File_Name;
            return T_Open_Result::Automation_Error;
        }
        std::shared_ptr<T_Dispatch> document = doc.As_Dispatch();
        T_Variant flag = kind.Open_Flag_Is_Short ? T_Variant::Int16(1) : T_Variant::Boolean(true);
        document->Call(kind.Open, {T_Variant::Wide_From_Utf8(File_Name), flag});

        Docs.push_back({doc, true, {}});
        size_t index = Docs.size() - 1;
        std::int32_t count = document->Call(kind.Page_Count).As_Int();
        // A negative count from the server means no pages, not a huge list.
        count = std::max<std::int32_t>(count, 0);
        std::vector<T_Page_rec>& pages = *Docs[index].Pages.Items;
        pages.resize(static_cast<size_t>(count));
        for (std::int32_t i = 0; i < count; ++i) {
            pages[static_cast<size_t>(i)].Name = std::to_string(i);
            pages[static_cast<size_t>(i)].ID = i;
        }
        Doc_Index = static_cast<int>(index);
        return T_Open_Result::Ok;
    } catch (const T_Automation_Error& error) {
        Error_Text = error.what();
        return T_Open_Result::Automation_Error;
    }
}

void T_Kompas_Multipage_Wrapper::Export_Page_File(int Doc_Index, int page,
                                                  const std::string& File_Name)
{
    std::shared_ptr<T_Dispatch> drawing =
        Docs[static_cast<size_t>(Doc_Index)].Doc.As_Dispatch()->Query_Interface(
            Drawing_Document_IID);
    T_Variant params = drawing->Call(Drawing_Export_Params);
    // The parameter object is filled member by member, in this order; the
    // last one selects the page, counted from 1.
    std::shared_ptr<T_Dispatch> p = params.As_Dispatch();
    p->Put(1, T_Variant::Int16(3));
    p->Put(4, T_Variant::Int32(96));
    p->Put(6, T_Variant::Int16(4));
    p->Put(2, T_Variant::Int16(8));
    p->Put(10, T_Variant::Boolean(false));
    p->Get(9);
    p->Put(3, T_Variant::Boolean(false));
    p->Put(8, T_Variant::Wide_From_Utf8(std::to_string(page + 1)));
    drawing->Call(Drawing_Export, {T_Variant::Wide_From_Utf8(File_Name), params});
}
