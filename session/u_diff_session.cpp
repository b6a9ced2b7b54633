#include "session/u_diff_session.h"

#include "vocabulary/U_Msg.h"
#include "automation/office_not_found.h"
#include "platform/os_platform.h"
#include "session/pair_kinds.h"
#include "engine/u_temp_files.h"
#include "engine/u_image_compare.h"
#include "engine/u_program_paths.h"
#include "automation/visio_converter.h"
#include "session/work_beside.h"

#include <tuple>

namespace {
// Visio drawings are drawn by MS Visio on Windows, by LibreOffice elsewhere.
#ifdef _WIN32
constexpr bool Visio_Is_Native = true;
#else
constexpr bool Visio_Is_Native = false;
#endif
} // namespace

T_Diff_Session::T_Diff_Session(std::string Left_File, std::string Right_File,
                               T_Converter_Kind Converter_Kind, T_Paged_Kind Paged_Kind,
                               T_Session_Seams Seams)
    : Base_Copy_(Paged_Kind == T_Paged_Kind::None
                     ? nullptr
                     : std::make_unique<T_Base_Copy>(Left_File, Right_File)),
      LeftFile(Base_Copy_ ? Base_Copy_->File() : Left_File), RightFile(std::move(Right_File)),
      LeftImage(LeftFile), RightImage(RightFile), Left_Display(LeftFile), Right_Display(RightFile),
      ConverterKind(Converter_Kind), PagedKind(Paged_Kind), Seams_(std::move(Seams))
{
}

T_Diff_Session::~T_Diff_Session()
{
    Exporter.reset();
    for (auto& drawer : Single_Page_Drawers_)
        drawer.reset();
    CompareCache.Clear();
}

T_Work_Result T_Diff_Session::Open(T_Run_Watch* Watch)
{
    if (Is_Paged())
        return Open_Documents();
    return Prepare_Pictures(Watch);
}

bool T_Diff_Session::Opening_Runs_Converter() const
{
    if (Is_Paged())
        return false;
    const auto& [left, right] = Picture_Sides();
    return left.Kind == T_Picture_Side_Kind::Converted ||
           right.Kind == T_Picture_Side_Kind::Converted;
}

void T_Diff_Session::Know_Picture_Sides(T_Picture_Side Left, T_Picture_Side Right)
{
    Picture_Sides_.emplace(Left, Right);
}

const std::pair<T_Picture_Side, T_Picture_Side>& T_Diff_Session::Picture_Sides() const
{
    if (!Picture_Sides_)
        Picture_Sides_.emplace(Picture_Side_Of(LeftFile), Picture_Side_Of(RightFile));
    return *Picture_Sides_;
}

// Each side by its own kind: the route was chosen by the modified file, but
// an SVG base against a PNG or a one-page PDF against a picture is read as
// what it is.
T_Work_Result T_Diff_Session::Prepare_Pictures(T_Run_Watch* Watch)
{
    const auto [left, right] = Picture_Sides();
    for (auto [side, file, display, image, drawer] :
         {std::tuple{left, &LeftFile, &Left_Display, &LeftImage, &Single_Page_Drawers_[0]},
          std::tuple{right, &RightFile, &Right_Display, &RightImage, &Single_Page_Drawers_[1]}}) {
        if (side.Kind != T_Picture_Side_Kind::Pdf_Page)
            continue;
        T_Work_Result page = Draw_Single_Page(*file, *drawer);
        if (!page.Done())
            return page;
        *display = *image = page.File;
    }
    if (left.Kind != T_Picture_Side_Kind::Converted && right.Kind != T_Picture_Side_Kind::Converted)
        return T_Work_Result::Made({});
    if (!Converter_Present())
        return T_Work_Result::Failure(Get_Msg(cap_Components_Not_Found));
    T_Run_Watch seam_watch = this->Watch();
    return Convert_Pair(right.Converter, Right_Display, left.Converter, Left_Display,
                        Watch ? Watch : &seam_watch);
}

T_Work_Result T_Diff_Session::Draw_Single_Page(const std::string& File,
                                               std::unique_ptr<T_Base_Multipage_Wrapper>& Drawer)
{
    // Kept by the session: the page stays in the drawer's store.
    Drawer = Seams_.Make_Exporter ? Seams_.Make_Exporter(T_Paged_Kind::Pdf) : nullptr;
    int doc = -1;
    std::string error = "This copy of the program cannot draw PDF pages.";
    T_Open_Result opened =
        Drawer ? Drawer->Open_Doc(File, doc, error) : T_Open_Result::Automation_Error;
    std::string gap = "\r\n\r\n";
    if (opened != T_Open_Result::Ok)
        return T_Work_Result::Failure(Get_Msg(cap_Cant_Open_File) + gap + File + gap + error);
    T_Page_List pages;
    Drawer->Get_Page_List(doc, pages);
    if (pages.Count() != 1)
        return T_Work_Result::Failure(
            Get_Msg(cap_Cant_Open_File) + gap + File + gap + "The document has " +
            std::to_string(pages.Count()) +
            " pages; a picture can only be compared with a document of one page.");
    // Drawn into the private folder, never beside the user's file.
    if (!Drawer->Export_Pages(doc, Output_Name(File, ""), 0, error, false))
        return T_Work_Result::Failure(Get_Msg(cap_Page_Export_Fail) + "\r\n" + error);
    Drawer->Get_Page_List(doc, pages);
    return T_Work_Result::Made(pages[0].File_Name);
}

T_Work_Result T_Diff_Session::Open_Documents()
{
    Exporter = Seams_.Make_Exporter ? Seams_.Make_Exporter(PagedKind) : nullptr;
    if (!Exporter || !Exporter->Init({}))
        return T_Work_Result::Failure(
            Get_Msg(PagedKind == T_Paged_Kind::Visio
                        ? Office_Not_Found_Message(T_Visio_Multipage_Wrapper::Prog_ID,
                                                   cap_MSVisio_Not_Found)
                        : cap_Kompas_Not_Found));
    Page_Names_ = Page_Names();
    // The right document is opened only when the left one opened. A version
    // that does not exist is never handed to the exporter: its side keeps
    // no document and no pages.
    for (auto [side, file, doc] : {std::tuple{T_Side::Left, &LeftFile, &LeftDoc},
                                   std::tuple{T_Side::Right, &RightFile, &RightDoc}})
        if (T_Work_Result opened =
                Missing(side) ? T_Work_Result::Made({}) : Open_Paged_Document(*file, *doc, *this);
            !opened.Done())
            return opened;
    // The window waits for both first pages: where the exporter allows it,
    // they are made at the same time.
    const bool both = !Missing(T_Side::Left) && !Missing(T_Side::Right);
    const auto first_page = [this](T_Side Side) {
        return Missing(Side) ? T_Work_Result::Made({}) : Fetch_Page(Side, 0);
    };
    auto [left, right] = Both_At_Once([&] { return first_page(T_Side::Left); },
                                      [&] { return first_page(T_Side::Right); },
                                      both && Exporter->Exports_In_Parallel());
    for (T_Work_Result* page : {&left, &right})
        if (!page->Done())
            return *page;
    if (!Missing(T_Side::Left)) {
        LeftImage = Left_Display = left.File;
        LeftPage = 0;
    }
    if (!Missing(T_Side::Right)) {
        RightImage = Right_Display = right.File;
        RightPage = 0;
    }
    return T_Work_Result::Made({});
}

bool T_Diff_Session::Missing(T_Side Side) const
{
    return os::Is_Null_Device(Side == T_Side::Left ? LeftFile : RightFile);
}

std::string T_Diff_Session::Page_Names() const
{
    // Named after the left document, so that with the session's copy of the
    // base they all land in the session's folder. Without a base, a name
    // after the modified document in that folder takes its place: never the
    // null device's folder, nor the user's.
    if (!Missing(T_Side::Left))
        return LeftFile;
    if (Base_Copy_ && !Base_Copy_->Folder().empty())
        return Base_Copy_->Folder() + Page_Name_Stem(RightFile);
    return Output_Name(RightFile, "");
}

T_Work_Result T_Diff_Session::Fetch_Page(T_Side Side, int Page_Index)
{
    if (Missing(Side))
        return T_Work_Result::Failure(std::string("The ") +
                                      (Side == T_Side::Left ? "base" : "modified") +
                                      " version does not exist: it has no pages.");
    std::string error;
    std::string prefix = Page_Names_ + (Side == T_Side::Left ? "_l" : "_r");
    if (!Exporter || !Exporter->Export_Pages(Doc(Side), prefix, Page_Index, error, true)) {
        // The drawings' applications have always been reported in Visio's
        // words; pages drawn here, and drawings that only LibreOffice draws
        // (there is no Visio but on Windows), say what they are.
        T_Msg_Id failure = PagedKind == T_Paged_Kind::Pdf ? cap_Page_Export_Fail
                           : PagedKind == T_Paged_Kind::Visio && !Visio_Is_Native
                               ? cap_Office_Export_Fail
                               : cap_MSVisio_Export_Fail;
        // The application names the private copy it was given; the user
        // knows the file by its own name.
        return T_Work_Result::Failure(In_Users_Names(Get_Msg(failure) + "\r\n" + error));
    }
    T_Page_List pages = Pages(Side);
    return T_Work_Result::Made(pages.Is_Valid_Index(Page_Index) ? pages[Page_Index].File_Name
                                                                : std::string());
}

T_Work_Result T_Diff_Session::Show_Page(T_Side Side, int Page_Index)
{
    T_Work_Result page = Fetch_Page(Side, Page_Index);
    if (page.Done())
        Show_Drawn_Page(Side, Page_Index, page.File);
    return page;
}

void T_Diff_Session::Show_Drawn_Page(T_Side Side, int Page_Index, const std::string& File)
{
    // The pane shows the page, and "Compare images" reads what it shows.
    (Side == T_Side::Left ? Left_Display : Right_Display) = File;
    (Side == T_Side::Left ? LeftImage : RightImage) = File;
    (Side == T_Side::Left ? LeftPage : RightPage) = Page_Index;
}

T_Page_List T_Diff_Session::Pages(T_Side Side) const
{
    T_Page_List pages;
    if (Exporter)
        Exporter->Get_Page_List(Doc(Side), pages);
    return pages;
}

std::string T_Diff_Session::Text_Layer_File(T_Side Side) const
{
    if (Missing(Side))
        return {};
    if (PagedKind == T_Paged_Kind::Pdf)
        return Side == T_Side::Left ? LeftFile : RightFile;
    return Exporter ? Exporter->Text_Layer_File(Doc(Side)) : std::string();
}

T_Page_Store* T_Diff_Session::Page_Store(T_Side Side) const
{
    if (Exporter)
        return Exporter->Page_Store(Doc(Side));
    const auto& drawer = Single_Page_Drawers_[Side == T_Side::Left ? 0 : 1];
    return drawer ? drawer->Page_Store(0) : nullptr;
}

std::string T_Diff_Session::In_Users_Names(const std::string& Message) const
{
    return Base_Copy_ ? Base_Copy_->In_Users_Names(Message) : Message;
}

bool T_Diff_Session::Repaired(T_Side Side) const
{
    return !Missing(Side) && Exporter && Exporter->Repaired(Doc(Side));
}

std::int32_t T_Diff_Session::Page_ID(T_Side Side, int Page_Index) const
{
    return Exporter ? Exporter->Get_Page_ID(Doc(Side), Page_Index) : -1;
}

void T_Diff_Session::Set_Content_Pairing(T_Content_Pairing Pairing)
{
    Content_Pairing_ = std::move(Pairing);
}

int T_Diff_Session::Content_Counterpart(T_Side Side, int Page_Index) const
{
    if (!Content_Pairing_)
        return -1;
    const std::vector<int>& partners = Side == T_Side::Left ? Content_Pairing_->Pairs.Left_To_Right
                                                            : Content_Pairing_->Pairs.Right_To_Left;
    return Page_Index >= 0 && Page_Index < static_cast<int>(partners.size())
               ? partners[static_cast<std::size_t>(Page_Index)]
               : -1;
}

int T_Diff_Session::Counterpart(T_Side Side, int Page_Index) const
{
    // A sheet without a counterpart by what it shows has none at all.
    if (Content_Pairing_)
        return Content_Counterpart(Side, Page_Index);
    const std::int32_t id = Page_ID(Side, Page_Index);
    if (id < 0)
        return -1;
    const T_Page_List others = Pages(Side == T_Side::Left ? T_Side::Right : T_Side::Left);
    for (int page = 0; page < others.Count(); ++page)
        if (others[page].ID == id)
            return page;
    return -1;
}

void T_Diff_Session::Record_Changes(int Left_Page, int Right_Page, int Changes)
{
    Page_Pair_Changes[{Left_Page, Right_Page}] = Changes;
}

int T_Diff_Session::Changes(int Left_Page, int Right_Page) const
{
    auto found = Page_Pair_Changes.find({Left_Page, Right_Page});
    return found == Page_Pair_Changes.end() ? -1 : found->second;
}

T_Work_Result Open_Paged_Document(const std::string& File_Name, int& Doc_Index,
                                  T_Diff_Session& Session)
{
    std::string error_text = "No exporter for this kind of document.";
    T_Open_Result code = T_Open_Result::Automation_Error;
    if (Session.Exporter)
        code = Session.Exporter->Open_Doc(File_Name, Doc_Index, error_text);
    if (code == T_Open_Result::Ok)
        return T_Work_Result::Made({});
    std::string gap = "\r\n\r\n";
    return T_Work_Result::Failure(Session.In_Users_Names(
        Get_Msg(code == T_Open_Result::No_File ? cap_File_Not_Found : cap_Cant_Open_File) + gap +
        File_Name + gap + error_text));
}

T_Work_Result Compare_Images(T_Diff_Session& Session, const T_Compare_Input& Left,
                             const T_Compare_Input& Right, T_Run_Watch* Watch)
{
    int key = Shave_Key(Session.Trim, Session.Shave);
    // Pictures have one pair, cached as pages 0 and 0.
    int left_page = Session.Is_Paged() ? Session.LeftPage : 0;
    int right_page = Session.Is_Paged() ? Session.RightPage : 0;
    std::string cached;
    Session.CompareCache.Get_Compared_File(key, left_page, right_page, cached);
    if (!cached.empty())
        return T_Work_Result::Made(cached);
    T_Run_Watch seam_watch = Session.Watch();
    T_Work_Result compared = Run_Compare(Left, Right, Session.LeftImage, Session.Trim,
                                         Session.Shave, Watch ? Watch : &seam_watch);
    if (compared.Done())
        Session.CompareCache.Add_Compared_File(compared.File, key, left_page, right_page);
    return compared;
}
