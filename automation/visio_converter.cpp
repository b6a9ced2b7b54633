#include "automation/visio_converter.h"

#include "automation/u_ms_ole_common.h"

#include "platform/os_platform.h"

#include <algorithm>

namespace {

// The server's answer to every alert it would otherwise show: No.
constexpr std::int32_t Alert_Answer_No = 7;
// ExportAsFixedFormat's format, intent and range: PDF, for printing, every
// page.
constexpr std::int32_t Fixed_Format_Pdf = 1;
constexpr std::int32_t Intent_Print = 1;
constexpr std::int32_t Print_All = 0;
// Open flags 2 + 16 + 64 + 128 + 256: read-only, minimized, hidden, macros
// disabled, no workspace, so that opening shows nothing and runs nothing.
constexpr std::int32_t Open_Flags = 466;

std::shared_ptr<T_Dispatch> Page_Object(const T_Variant& doc, int page)
{
    return doc.As_Dispatch()
        ->Get("Pages")
        .As_Dispatch()
        ->Call("Item", {T_Variant::Int32(page + 1)})
        .As_Dispatch();
}

} // namespace

bool T_Visio_Multipage_Wrapper::Start_App()
{
    std::string error;
    if (!Try_Create_Ole_Object(Prog_ID, Visio_App, error) ||
        Visio_App.Kind() != T_Variant_Kind::Dispatch) {
        Visio_App = T_Variant();
        if (On_Error)
            On_Error(error);
        return false;
    }
    std::shared_ptr<T_Dispatch> app = Visio_App.As_Dispatch();
    app->Put("Visible", T_Variant::Boolean(false));
    app->Put("AlertResponse", T_Variant::Int32(Alert_Answer_No));
    return true;
}

bool T_Visio_Multipage_Wrapper::Quit_App()
{
    if (Visio_App.Kind() != T_Variant_Kind::Dispatch)
        return false;
    try {
        Visio_App.As_Dispatch()->Call("Quit");
        return true;
    } catch (...) {
        return false;
    }
}

bool T_Visio_Multipage_Wrapper::Close_Doc(int Doc_Index)
{
    return Close_Doc_By(Doc_Index, "Close");
}

T_Open_Result T_Visio_Multipage_Wrapper::Open_Doc(const std::string& File_Name, int& Doc_Index,
                                                  std::string& Error_Text)
{
    Error_Text.clear();
    if (!os::File_Exists(File_Name))
        return T_Open_Result::No_File;
    if (Visio_App.Kind() != T_Variant_Kind::Dispatch) {
        Error_Text = "MS Visio is not running.";
        return T_Open_Result::Automation_Error;
    }
    try {
        T_Variant documents = Visio_App.As_Dispatch()->Get("Documents");
        T_Variant doc = documents.As_Dispatch()->Call(
            "openex", {T_Variant::String_Ref(std::make_shared<std::string>(File_Name)),
                       T_Variant::Int32(Open_Flags)});
        // A document that did not come back cannot be listed or closed.
        if (doc.Kind() != T_Variant_Kind::Dispatch) {
            Error_Text = "MS Visio returned no document object for " + File_Name;
            return T_Open_Result::Automation_Error;
        }
        // From here the document stays in Docs, also when listing its pages
        // fails, so that destruction closes it in Visio.
        Docs.push_back({doc, true, {}});
        size_t index = Docs.size() - 1;
        std::int32_t count = doc.As_Dispatch()->Get("Pages").As_Dispatch()->Get("Count").As_Int();
        count = std::max<std::int32_t>(count, 0);
        std::vector<T_Page_rec>& pages = *Docs[index].Pages.Items;
        pages.resize(static_cast<size_t>(count));
        for (std::int32_t i = 0; i < count; ++i) {
            std::shared_ptr<T_Dispatch> page = Page_Object(doc, i);
            pages[static_cast<size_t>(i)].Name = page->Get("name").As_String();
            pages[static_cast<size_t>(i)].ID = page->Get("ID").As_Int();
        }
        Doc_Index = static_cast<int>(index);
        return T_Open_Result::Ok;
    } catch (const T_Automation_Error& error) {
        Error_Text = error.what();
        return T_Open_Result::Automation_Error;
    }
}

int T_Visio_Multipage_Wrapper::Page_Content(int Doc_Index, int page)
{
    try {
        return Page_Object(Docs[static_cast<size_t>(Doc_Index)].Doc, page)
            ->Get("Shapes")
            .As_Dispatch()
            ->Get("Count")
            .As_Int();
    } catch (const T_Automation_Error&) {
        return -1; // a server without the count: nothing known
    }
}

void T_Visio_Multipage_Wrapper::Export_Page_File(int Doc_Index, int page,
                                                 const std::string& File_Name)
{
    Page_Object(Docs[static_cast<size_t>(Doc_Index)].Doc, page)
        ->Call("Export", {T_Variant::String_Ref(std::make_shared<std::string>(File_Name))});
}

void T_Visio_Multipage_Wrapper::Export_Pdf_File(int Doc_Index, const std::string& File_Name)
{
    Docs[static_cast<size_t>(Doc_Index)].Doc.As_Dispatch()->Call(
        "ExportAsFixedFormat", {T_Variant::Int32(Fixed_Format_Pdf),
                                T_Variant::String_Ref(std::make_shared<std::string>(File_Name)),
                                T_Variant::Int32(Intent_Print), T_Variant::Int32(Print_All)});
}
