#include "pdf/office_pdf_exporter.h"

#include "platform/os_platform.h"
#include "pdf/pdf_exporter.h"
#include "automation/visio_converter.h"

#include <filesystem>

namespace {

// True when the automation error says the server has no such member.
bool No_Such_Member(const T_Automation_Error& Error)
{
    if (dynamic_cast<const T_Unknown_Member_Error*>(&Error))
        return true;
    const auto* failed = dynamic_cast<const T_Call_Failed_Error*>(&Error);
    return failed && failed->Status == ole_status::Member_Not_Found;
}

void Remove_File(const std::string& File)
{
    std::error_code ignored;
    std::filesystem::remove(os::Utf8_Path(File), ignored);
}

} // namespace

T_Office_Pdf_Multipage_Wrapper::T_Office_Pdf_Multipage_Wrapper() = default;

T_Office_Pdf_Multipage_Wrapper::~T_Office_Pdf_Multipage_Wrapper() = default;

bool T_Office_Pdf_Multipage_Wrapper::Start_App()
{
    Office_Owner = Make_Exporter<T_Visio_Multipage_Wrapper>();
    Office = static_cast<T_Visio_Multipage_Wrapper*>(Office_Owner.get());
    if (Office_Owner->Init(On_Error))
        return true;
    Office = nullptr;
    Office_Owner.reset();
    return false;
}

bool T_Office_Pdf_Multipage_Wrapper::Quit_App()
{
    const std::lock_guard<std::mutex> lock(Office_Lock);
    // The server's own exporter closes what is still open and quits it as
    // it goes.
    const bool held = Office_Owner != nullptr;
    Office = nullptr;
    Office_Owner.reset();
    return held;
}

bool T_Office_Pdf_Multipage_Wrapper::Close_Doc(int Doc_Index)
{
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return false;
    const std::lock_guard<std::mutex> lock(Office_Lock);
    T_Drawing& drawing = Drawings[static_cast<size_t>(Doc_Index)];
    if (drawing.Drawer) {
        {
            const std::lock_guard<std::mutex> pages(Pages_Lock);
            drawing.Pages = nullptr;
        }
        drawing.Drawer.reset();
        Remove_File(drawing.Pdf_File);
    }
    if (!Office)
        return false;
    const bool closed = Office->Close_Doc(drawing.Office_Doc);
    // Closed once: the server's exporter must not close it again as it goes.
    Office->Docs[static_cast<size_t>(drawing.Office_Doc)].Opened = false;
    return closed;
}

T_Open_Result T_Office_Pdf_Multipage_Wrapper::Open_Doc(const std::string& File_Name, int& Doc_Index,
                                                       std::string& Error_Text)
{
    if (!os::File_Exists(File_Name))
        return T_Open_Result::No_File;
    const std::lock_guard<std::mutex> lock(Office_Lock);
    if (!Office) {
        Error_Text = "The drawing server is not running.";
        return T_Open_Result::Automation_Error;
    }
    int office_doc = -1;
    const T_Open_Result opened = Office->Open_Doc(File_Name, office_doc, Error_Text);
    if (opened != T_Open_Result::Ok)
        return opened;
    T_Paged_Doc_Rec rec;
    rec.Doc = Office->Docs[static_cast<size_t>(office_doc)].Doc;
    rec.Opened = true;
    for (const T_Page_rec& page : *Office->Docs[static_cast<size_t>(office_doc)].Pages.Items)
        rec.Pages.Items->push_back({page.Name, page.ID, "", -1});
    Docs.push_back(std::move(rec));
    Drawings.emplace_back().Office_Doc = office_doc;
    Doc_Index = static_cast<int>(Docs.size()) - 1;
    return T_Open_Result::Ok;
}

bool T_Office_Pdf_Multipage_Wrapper::Prepare_Pages(int Doc_Index, const std::string& Name_Prefix,
                                                   std::string& Error_Text)
{
    T_Drawing& drawing = Drawings[static_cast<size_t>(Doc_Index)];
    if (drawing.Drawer || drawing.Pages_From_Server)
        return true;
    if (!Office) {
        Error_Text = "The drawing server is not running.";
        return false;
    }
    // The pages are drawn from one PDF of the whole drawing. A DXF drawing
    // is placed at the scale of every drawing open with it, so the PDF is
    // written when its pages are first wanted, after both are open.
    const std::string pdf = Name_Prefix + ".pdf";
    try {
        Office->Export_Pdf_File(drawing.Office_Doc, pdf);
    } catch (const T_Automation_Error& error) {
        Remove_File(pdf);
        if (No_Such_Member(error)) {
            drawing.Pages_From_Server = true;
            return true;
        }
        Error_Text = error.what();
        return false;
    }
    return Open_Pdf(drawing, Docs[static_cast<size_t>(Doc_Index)].Pages.Count(), pdf, Error_Text);
}

bool T_Office_Pdf_Multipage_Wrapper::Open_Pdf(T_Drawing& Drawing, int Page_Count,
                                              const std::string& Pdf, std::string& Error_Text)
{
    std::unique_ptr<T_Base_Multipage_Wrapper> drawer = Make_Exporter<T_Pdf_Multipage_Wrapper>();
    int pdf_doc = -1;
    std::string why;
    if (!Is_Pdf_File(Pdf) || !drawer->Init({}) ||
        drawer->Open_Doc(Pdf, pdf_doc, why) != T_Open_Result::Ok) {
        Error_Text = "The PDF written of the drawing cannot be read" +
                     (why.empty() ? std::string(".") : ": " + why);
        Remove_File(Pdf);
        return false;
    }
    T_Page_List pages;
    drawer->Get_Page_List(pdf_doc, pages);
    // PDF page n is drawing page n, or no page is shown at all.
    if (pages.Count() != Page_Count) {
        Error_Text = "The PDF written of the drawing has " + std::to_string(pages.Count()) +
                     " pages, the drawing " + std::to_string(Page_Count) + ".";
        drawer.reset();
        Remove_File(Pdf);
        return false;
    }
    // What each page holds to draw: a page drawn blank that holds shapes is
    // a page that failed to draw.
    for (int page = 0; page < Page_Count; ++page)
        Drawing.Shapes.push_back(Office->Shape_Count(Drawing.Office_Doc, page));
    Drawing.Drawer = std::move(drawer);
    Drawing.Pdf_File = Pdf;
    const std::lock_guard<std::mutex> lock(Pages_Lock);
    Drawing.Pages = Drawing.Drawer->Page_Store(0);
    return true;
}

bool T_Office_Pdf_Multipage_Wrapper::Export_Pages(int Doc_Index, const std::string& Name_Prefix,
                                                  int Page_Index, std::string& Error_Text,
                                                  bool Reuse_Existing)
{
    Error_Text.clear();
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return false;
    if (Page_Index != -1 && !Docs[static_cast<size_t>(Doc_Index)].Pages.Is_Valid_Index(Page_Index))
        return false;
    T_Drawing& drawing = Drawings[static_cast<size_t>(Doc_Index)];
    {
        const std::lock_guard<std::mutex> lock(Office_Lock);
        if (!Prepare_Pages(Doc_Index, Name_Prefix, Error_Text))
            return false;
        if (drawing.Pages_From_Server) {
            if (!Office || !Office->Export_Pages(drawing.Office_Doc, Name_Prefix, Page_Index,
                                                 Error_Text, Reuse_Existing))
                return false;
            Take_Pages(Doc_Index, *Office, drawing.Office_Doc, Page_Index);
            return true;
        }
    }
    // Drawn from the PDF, outside the server's turn.
    if (!drawing.Drawer->Export_Pages(0, Name_Prefix, Page_Index, Error_Text, Reuse_Existing))
        return false;
    Take_Pages(Doc_Index, *drawing.Drawer, 0, Page_Index);
    return true;
}

void T_Office_Pdf_Multipage_Wrapper::Take_Pages(int Doc_Index, const T_Base_Multipage_Wrapper& From,
                                                int From_Doc, int Page_Index)
{
    T_Page_List made;
    From.Get_Page_List(From_Doc, made);
    T_Page_List& pages = Docs[static_cast<size_t>(Doc_Index)].Pages;
    const T_Drawing& drawing = Drawings[static_cast<size_t>(Doc_Index)];
    for (int page = 0; page < pages.Count() && page < made.Count(); ++page) {
        if ((Page_Index != -1 && page != Page_Index) || made[page].File_Name.empty())
            continue;
        pages[page].File_Name = made[page].File_Name;
        pages[page].Content = drawing.Pages_From_Server ? made[page].Content
                                                        : drawing.Shapes[static_cast<size_t>(page)];
    }
}

std::string T_Office_Pdf_Multipage_Wrapper::Text_Layer_File(int Doc_Index) const
{
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return {};
    const std::lock_guard<std::mutex> lock(Office_Lock);
    return Drawings[static_cast<size_t>(Doc_Index)].Pdf_File;
}

T_Page_Store* T_Office_Pdf_Multipage_Wrapper::Page_Store(int Doc_Index) const
{
    if (!Is_Valid_Doc(Doc_Index) || static_cast<size_t>(Doc_Index) >= Drawings.size())
        return nullptr;
    const std::lock_guard<std::mutex> lock(Pages_Lock);
    return Drawings[static_cast<size_t>(Doc_Index)].Pages;
}

void T_Office_Pdf_Multipage_Wrapper::Export_Page_File(int, int, const std::string&)
{
    throw T_Automation_Error("Drawing pages are drawn from the drawing's PDF.");
}
