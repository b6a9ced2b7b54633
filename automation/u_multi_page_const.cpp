#include "automation/u_multi_page_const.h"

#include "platform/os_platform.h"
#include "imaging/page_store.h"

bool T_Base_Multipage_Wrapper::Init(T_Error_Event handler)
{
    On_Error = std::move(handler);
    return Start_App();
}

bool T_Base_Multipage_Wrapper::Is_Valid_Doc(int Doc_Index) const
{
    return Doc_Index >= 0 && Doc_Index < static_cast<int>(Docs.size());
}

bool T_Base_Multipage_Wrapper::Close_Doc_By(int Doc_Index, const char* Member)
{
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return false;
    try {
        Docs[static_cast<size_t>(Doc_Index)].Doc.As_Dispatch()->Call(Member);
        return true;
    } catch (...) {
        return false;
    }
}

bool T_Base_Multipage_Wrapper::Get_Page_List(int Doc_Index, T_Page_List& Pages) const
{
    Pages.Clear();
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return false;
    Pages.Items = Docs[static_cast<size_t>(Doc_Index)].Pages.Items;
    return true;
}

std::int32_t T_Base_Multipage_Wrapper::Get_Page_ID(int Doc_Index, int Page_Index) const
{
    if (!Is_Valid_Doc(Doc_Index))
        return -1;
    const T_Paged_Doc_Rec& doc = Docs[static_cast<size_t>(Doc_Index)];
    if (!doc.Opened || !doc.Pages.Is_Valid_Index(Page_Index))
        return -1;
    return doc.Pages[Page_Index].ID;
}

std::string T_Base_Multipage_Wrapper::Page_File_Name(const std::string& Name_Prefix, int page)
{
    return Name_Prefix + "_page_" + std::to_string(page) + ".png";
}

bool T_Base_Multipage_Wrapper::Page_Kept(int Doc_Index, int page) const
{
    const T_Page_rec& rec = Docs[static_cast<size_t>(Doc_Index)].Pages[page];
    if (rec.File_Name.empty())
        return false;
    // A page drawn in memory counts as exported: its file is written when
    // something reads it by name.
    if (const T_Page_Store* pages = Page_Store(Doc_Index))
        return pages->Is_Kept(page);
    return os::File_Exists(rec.File_Name);
}

bool T_Base_Multipage_Wrapper::Export_One(T_Paged_Doc_Rec& doc, int Doc_Index,
                                          const std::string& Name_Prefix, int page,
                                          bool Reuse_Existing)
{
    std::string file_name = Page_File_Name(Name_Prefix, page);
    if (Reuse_Existing && Page_Kept(Doc_Index, page))
        return true;
    Export_Page_File(Doc_Index, page, file_name);
    doc.Pages[page].File_Name = file_name;
    doc.Pages[page].Content = Page_Content(Doc_Index, page);
    return true;
}

bool T_Base_Multipage_Wrapper::Export_Pages(int Doc_Index, const std::string& Name_Prefix,
                                            int Page_Index, std::string& Error_Text,
                                            bool Reuse_Existing)
{
    Error_Text.clear();
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return false;
    T_Paged_Doc_Rec& doc = Docs[static_cast<size_t>(Doc_Index)];
    try {
        if (Page_Index == -1) {
            std::int32_t count =
                doc.Doc.As_Dispatch()->Get("Pages").As_Dispatch()->Get("Count").As_Int();
            for (int page = 0; page < count; ++page) {
                // The page list was built at open; a page the server reports
                // beyond it has no record to receive its file name.
                if (!doc.Pages.Is_Valid_Index(page))
                    continue;
                Export_One(doc, Doc_Index, Name_Prefix, page, Reuse_Existing);
            }
            return true;
        }
        if (!doc.Pages.Is_Valid_Index(Page_Index))
            return false;
        return Export_One(doc, Doc_Index, Name_Prefix, Page_Index, Reuse_Existing);
    } catch (const T_Automation_Error& error) {
        Error_Text = error.what();
        return false;
    }
}

void T_Base_Multipage_Wrapper::Shut_Down() noexcept
{
    if (shut_down)
        return;
    shut_down = true;
    for (int index = 0; index < static_cast<int>(Docs.size()); ++index) {
        try {
            Close_Doc(index);
        } catch (...) {
            // Destruction always completes; a server that fails to close a
            // document is left to itself.
        }
        Docs[static_cast<size_t>(index)].Opened = false;
        Docs[static_cast<size_t>(index)].Pages.Clear();
    }
    Docs.clear();
    try {
        Quit_App();
    } catch (...) {
    }
}
