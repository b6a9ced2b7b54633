#include "session/pair_pipeline.h"

#include "vocabulary/U_Msg.h"
#include "differences/content_pairing.h"
#include "session/drawing_page_pairing.h"
#include "engine/file_name_fit.h"
#include "vocabulary/file_names.h"
#include "session/folder_files.h"
#include "platform/os_platform.h"
#include "differences/page_moves.h"
#include "session/pair_input.h"
#include "pdf/pdf_page_redraw.h"
#include "pdf/pdf_page_signatures.h"
#include "pdf/page_text_lines.h"
#include "pdf/pdf_substituted_fonts.h"
#include "session/identical_files.h"
#include "imaging/page_store.h"
#include "imaging/picture_compare.h"
#include "imaging/picture_structure.h"
#include "imaging/streamed_files.h"
#include "imaging/u_image_load.h"
#include "engine/u_temp_files.h"
#include "session/work_beside.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <set>
#include <tuple>

T_Difference_Options Page_Comparison_Options(T_Difference_Options Options,
                                             const T_Diff_Session& Session)
{
    Options.Pages_On_Larger_Sheet = !Session.Text_Layer_File(T_Side::Left).empty() &&
                                    !Session.Text_Layer_File(T_Side::Right).empty();
    return Options;
}

void T_Pair_Outcome::Add(const T_Compared_Pair& Pair)
{
    if (Pair.Difference) {
        Changed_Pixels += Pair.Difference->Changed_Pixels;
        Regions += Pair.Difference->Regions.size();
        Changed_Share = Pair.Difference->Changed_Share();
        ++Compared_Pictures;
    }
    if (Pair.Pages > 0)
        Pages = Pair.Pages;
    // An error outweighs a difference, a difference an identical pair.
    if (Pair.Result == T_Verdict::Error) {
        if (Verdict != T_Verdict::Error)
            Error = Pair.Error;
        Verdict = T_Verdict::Error;
    } else if (Pair.Result != T_Verdict::Identical && Verdict != T_Verdict::Error) {
        // Pages on one side only make a pair of documents different; a file
        // on one side only keeps its own word.
        const bool page = !Pair.Old_Page.empty() || !Pair.New_Page.empty();
        Verdict = Verdict == T_Verdict::Identical && !page ? Pair.Result : T_Verdict::Different;
    }
}

std::string Blank_Page_Error(const T_Compared_Pair& Pair, const QImage& Old_Picture,
                             const QImage& New_Picture)
{
    for (const auto& [content, picture, page, file] :
         {std::tuple{Pair.Old_Content, &Old_Picture, &Pair.Old_Page, &Pair.Old_Name},
          std::tuple{Pair.New_Content, &New_Picture, &Pair.New_Page, &Pair.New_Name}})
        if (content > 0 && Is_One_Colour(*picture))
            return "Page \"" + *page + "\" of " + *file +
                   " came out blank, though it holds something to draw: it could not be drawn, "
                   "so it cannot be compared.";
    return {};
}

namespace {

// A PNG file that shows as it is stored: whole, and without an orientation.
bool Stored_Png(const std::string& File)
{
    const T_Picture_Structure structure = Check_Picture_Structure(File);
    return structure.Format == T_Picture_Structure::T_Format::Png && structure.Sound &&
           !structure.Exif;
}

T_Compared_Pair Failed(T_Compared_Pair Pair, const std::string& Message)
{
    Pair.Result = T_Verdict::Error;
    Pair.Error = One_Line(Message);
    return Pair;
}

struct T_Redraws;

class T_Pair_Run {
public:
    T_Pair_Run(const T_Pair_Settings& Settings, T_Compared_Pair Names)
        : Settings_(Settings), Names_(std::move(Names))
    {
    }

    void Judge(T_Compared_Pair Pair)
    {
        Pair.Compared_By = Compared_By_;
        // A mask made for other pictures would leave out the wrong pixels:
        // the pair cannot be judged with it.
        if (Pair.Difference) {
            if (const std::string mismatch =
                    Settings_.Differences.Ignore.Mask_Mismatch(Pair.Old_Width, Pair.Old_Height);
                !mismatch.empty()) {
                Pair.Difference.reset();
                Pair.Modified = QImage();
                Pair.Compared_Modified = QImage();
                Pair.Base = QImage();
                Pair = Failed(Pair, Pair.Old_Name + ": " + mismatch);
            }
        }
        // Pages are decoded whole; without a use for them their pictures
        // go here, not with the report of the page.
        if (!Settings_.Keep_Modified_Picture) {
            Pair.Modified = QImage();
            Pair.Compared_Modified = QImage();
            Pair.Base = QImage();
        }
        Outcome.Add(Pair);
        if (Settings_.On_Pair)
            Settings_.On_Pair(Pair);
    }
    void Compare_Files(const std::string& Old, const std::string& New);

    T_Pair_Outcome Outcome;

private:
    bool Both_Files_Readable(const std::string& Old, const std::string& New);
    void Compare_Input(const T_Pair_Input& Input);
    bool Judged_By_Bytes(const T_Pair_Input& Input);
    void Count_One_Side(const T_Pair_Input& Input);
    int Count_Pages(const std::string& Old, const std::string& New, T_Paged_Kind Kind,
                    std::string& Error);
    void Compare_Pictures(T_Pair_Input Input);
    void Compare_Text(const std::string& Old, const std::string& New);
    bool Compare_While_Read(const T_Pair_Input& Input);
    void Compare_Paged(const std::string& Old, const std::string& New, T_Paged_Kind Kind);
    std::vector<int> Page_Partners(T_Diff_Session& Session, T_Paged_Kind Kind);
    T_Compared_Pair Compared_Again(T_Diff_Session& Session, int Old_Page, int New_Page,
                                   const T_Compared_Pair& First,
                                   std::unique_ptr<T_Redraws>& Redraws,
                                   const T_Settle_Differences& Settle);

    const T_Pair_Settings& Settings_;
    T_Compared_Pair Names_;
    T_Compared_By Compared_By_ = T_Compared_By::Nothing;
};

bool T_Pair_Run::Both_Files_Readable(const std::string& Old, const std::string& New)
{
    for (const std::string* name : {&Old, &New}) {
        if (os::Is_Null_Device(*name))
            continue;
        const os::T_File_Check check = os::Check_Input_File(*name);
        if (check == os::T_File_Check::Regular)
            continue;
        Judge(Failed(Names_, Get_Msg(File_Check_Message(check)) + " " + *name));
        return false;
    }
    return true;
}

void T_Pair_Run::Compare_Files(const std::string& Old, const std::string& New)
{
    if (!Both_Files_Readable(Old, New))
        return;
    // The null device stands for a version that does not exist (git passes
    // it for an added or deleted file): the other one was added or removed.
    if (os::Is_Null_Device(Old) && os::Is_Null_Device(New)) {
        Judge(Names_);
        return;
    }
    // Worked out once here; every step below, and the pairs judged, go by it.
    auto input = std::make_shared<const T_Pair_Input>(Pair_Input_Of(Old, New));
    Names_.Input = input;
    Compare_Input(*input);
}

void T_Pair_Run::Compare_Input(const T_Pair_Input& Input)
{
    if (Input.Old.Missing() || Input.New.Missing())
        return Count_One_Side(Input);
    const T_Input_Side& decides = Input.Decides();
    if (Judged_By_Bytes(Input))
        return;
    switch (decides.Kind) {
    case dk_Image:
    case dk_Convert:
        Compared_By_ = T_Compared_By::Pixels;
        if (decides.Kind == dk_Image && Settings_.Align == T_Align_Mode::Off &&
            (!Settings_.Keep_Modified_Picture ||
             (Settings_.Stream_Stored_Pngs && Stored_Png(Input.Old.Path) &&
              Stored_Png(Input.New.Path))) &&
            Compare_While_Read(Input))
            return;
        return Compare_Pictures(Input);
    case dk_Paged:
        Compared_By_ = T_Compared_By::Pages;
        return Compare_Paged(Input.Old.Readable, Input.New.Readable, decides.Paged);
    case dk_Word:
    case dk_Unsupported:
        break;
    }
    if (Settings_.Compare_Text && decides.Text_Document) {
        Compared_By_ = T_Compared_By::Text;
        return Compare_Text(Input.Old.Path, Input.New.Path);
    }
    if (!Settings_.Bytes_Otherwise) {
        Judge(Failed(Names_, "File format is not supported!"));
        return;
    }
    Compared_By_ = T_Compared_By::Bytes;
    T_Compared_Pair pair = Names_;
    pair.Result =
        Same_Bytes(Input.Old.Path, Input.New.Path) ? T_Verdict::Identical : T_Verdict::Different;
    Judge(pair);
}

// A picture or document with the same bytes on both sides is identical
// once the file is shown sound; false when it must be compared the whole
// way (the bytes differ, or the file may be damaged).
bool T_Pair_Run::Judged_By_Bytes(const T_Pair_Input& Input)
{
    const std::string &Old = Input.Old.Path, &New = Input.New.Path;
    const T_Difference_Options& options = Settings_.Differences;
    // Only names that lead to the same readers; pictures laid on each
    // other or moved apart are not a copy on a copy.
    if (!Settings_.Same_Bytes_First || Settings_.Align != T_Align_Mode::Off ||
        options.Offset_X != 0 || options.Offset_Y != 0 ||
        File_Extension(Old) != File_Extension(New) || !Same_Bytes(Old, New))
        return false;
    std::optional<std::vector<T_Compared_Pair>> pairs =
        Judge_Same_Bytes(Input.New.Readable, Input.New.Kind, Input.New.Paged, Names_, Settings_);
    if (!pairs)
        return false;
    Compared_By_ = T_Compared_By::Bytes;
    for (T_Compared_Pair& pair : *pairs)
        Judge(std::move(pair));
    return true;
}

// A file on one side only is added or removed, and says how much: a
// document its pages, opened as the window opens it; a picture one page. A
// document that cannot be opened is an error, as it would be in a pair.
void T_Pair_Run::Count_One_Side(const T_Pair_Input& Input)
{
    T_Compared_Pair pair = Names_;
    pair.Result = Input.Old.Missing() ? T_Verdict::Only_New : T_Verdict::Only_Old;
    const T_Input_Side& present = Input.Old.Missing() ? Input.New : Input.Old;
    switch (present.Kind) {
    case dk_Image:
    case dk_Convert:
        pair.Pages = 1;
        break;
    case dk_Paged:
        if (std::string error; (pair.Pages = Count_Pages(Input.Old.Readable, Input.New.Readable,
                                                         present.Paged, error)) < 0) {
            Judge(Failed(Names_, error));
            return;
        }
        break;
    case dk_Word:
    case dk_Unsupported:
        break;
    }
    Judge(pair);
}

int T_Pair_Run::Count_Pages(const std::string& Old, const std::string& New, T_Paged_Kind Kind,
                            std::string& Error)
{
    T_Diff_Session session(Old, New, T_Converter_Kind::None, Kind, {Settings_.Make_Exporter, {}});
    if (T_Work_Result opened = session.Open(); !opened.Done()) {
        Error = opened.Message;
        return -1;
    }
    return session.Pages(session.Missing(T_Side::Left) ? T_Side::Right : T_Side::Left).Count();
}

void T_Pair_Run::Compare_Pictures(T_Pair_Input Input)
{
    // The window's own session prepares the sides: converted, drawn or as
    // they are, each by its own kind.
    Read_Picture_Sides(Input, Settings_.Read_File_Start);
    const std::string &Old = Input.Old.Readable, &New = Input.New.Readable;
    T_Diff_Session session(Old, New, T_Converter_Kind::None, T_Paged_Kind::None,
                           {Settings_.Make_Exporter, {}});
    session.Know_Picture_Sides(Input.Old.Picture, Input.New.Picture);
    if (T_Work_Result opened = session.Open(); !opened.Done()) {
        Judge(Failed(Names_, opened.Message));
        return;
    }
    T_Compared_Pair pair =
        Compare_Shown_Pictures({session.Left_Display, session.Page_Store(T_Side::Left)},
                               {session.Right_Display, session.Page_Store(T_Side::Right)}, New,
                               Settings_.Differences, Names_, Settings_.Align);
    // Read whole all the same (a kind not read row by row): Judge lets the
    // pictures go unless they are kept.
    Judge(pair);
}

// Two documents compared by their text; the same bytes are the same
// document without asking the office.
void T_Pair_Run::Compare_Text(const std::string& Old, const std::string& New)
{
    T_Compared_Pair pair = Names_;
    if (Same_Bytes(Old, New)) {
        pair.Text_Changes = std::make_shared<const T_Text_Changes>();
        Judge(pair);
        return;
    }
    T_Text_Changes changes;
    if (std::string error; !Settings_.Compare_Text(Old, New, changes, error)) {
        Judge(Failed(Names_, error));
        return;
    }
    pair.Result = changes.Total() > 0 ? T_Verdict::Different : T_Verdict::Identical;
    pair.Text_Changes = std::make_shared<const T_Text_Changes>(std::move(changes));
    Judge(pair);
}

// Two PNG or JPEG files compared as they are read; false when they are not
// such files and must be decoded whole.
bool T_Pair_Run::Compare_While_Read(const T_Pair_Input& Input)
{
    // The base too must be a picture shown as it is, not one converted.
    if (Input.Old.Kind != dk_Image)
        return false;
    std::optional<T_Difference> difference =
        Compare_Files_Streamed(Input.Old.Path, Input.New.Path, Settings_.Differences,
                               Settings_.One_Thread_Per_Pair ? T_Stream_Threads::One_Thread
                                                             : T_Stream_Threads::Decoders_Apart);
    if (!difference)
        return false;
    T_Compared_Pair pair = Names_;
    Take_Differences(pair, std::move(*difference));
    Judge(pair);
    return true;
}

// Both sides' documents opened a second time, for pages drawn again.
struct T_Redraws {
    T_Redraws(const std::string& Old, const std::string& New) : Old_Pages(Old), New_Pages(New) {}
    T_Pdf_Page_Redraw Old_Pages, New_Pages;
};

// A PDF page pair found different, drawn again on both sides and compared
// once more (see T_Pdf_Page_Redraw): the second drawings decide. The first
// comparison stands when a page cannot be drawn again, and when neither
// page sets text in a font the reader stands in for: such pages draw the
// same every time, and drawing them again would double the work of a set
// whose every sheet changed.
T_Compared_Pair T_Pair_Run::Compared_Again(T_Diff_Session& Session, int Old_Page, int New_Page,
                                           const T_Compared_Pair& First,
                                           std::unique_ptr<T_Redraws>& Redraws,
                                           const T_Settle_Differences& Settle)
{
    if (!Pdf_Page_Substitutes_Fonts(Session.Text_Layer_File(T_Side::Left), Old_Page) &&
        !Pdf_Page_Substitutes_Fonts(Session.Text_Layer_File(T_Side::Right), New_Page))
        return First;
    if (!Redraws)
        Redraws = std::make_unique<T_Redraws>(Session.Text_Layer_File(T_Side::Left),
                                              Session.Text_Layer_File(T_Side::Right));
    T_Loaded_Picture old_picture, new_picture;
    for (auto [picture, drawn] : {std::pair{&old_picture, Redraws->Old_Pages.Page(Old_Page)},
                                  std::pair{&new_picture, Redraws->New_Pages.Page(New_Page)}}) {
        if (drawn.isNull())
            return First;
        picture->Result = T_Picture_Load_Result::Loaded;
        picture->Image = drawn;
        picture->Stored_Size = drawn.size();
    }
    // Nothing of the first comparison is kept.
    T_Compared_Pair pair = First;
    pair.Difference.reset();
    pair.Alignment.reset();
    pair.Compared_Modified = QImage();
    return Compare_Decoded_Pair(old_picture, new_picture,
                                Page_Comparison_Options(Settings_.Differences, Session), pair,
                                Settings_.Align, Settle);
}

std::vector<int> T_Pair_Run::Page_Partners(T_Diff_Session& Session, T_Paged_Kind Kind)
{
    // PDF pages pair by what they show; drawings by their page identifiers
    // first, and the rest by what they show.
    if (Kind != T_Paged_Kind::Pdf)
        return Pair_Drawing_Pages(Session);
    const std::atomic<bool> never(false);
    T_Pair_Signatures signatures = Pdf_Pair_Signatures(Session.LeftFile, Session.RightFile, never);
    // Pages that could not be drawn small still take their places.
    signatures.Left.resize(std::size_t(Session.Pages(T_Side::Left).Count()));
    signatures.Right.resize(std::size_t(Session.Pages(T_Side::Right).Count()));
    std::vector<int> partner =
        Pair_By_Content(signatures.Left, signatures.Right).Pairs.Left_To_Right;
    // Pages that could not be drawn have no signature and no counterpart.
    partner.resize(std::size_t(Session.Pages(T_Side::Left).Count()), -1);
    for (int& other : partner)
        if (other >= Session.Pages(T_Side::Right).Count())
            other = -1;
    return partner;
}

// Where the base's pixels lie in the modified page: where the alignment
// put them, or in the same place. Used while Alignment lives.
T_To_New_Page To_New_Page(const T_Alignment* Alignment)
{
    if (!Alignment)
        return {};
    return [Alignment](const T_Rectangle& box) { return Alignment->To_Modified(box); };
}

// The text of a page pair's change regions; the regions are in the base's
// pixels, and lie in the modified page where the alignment put them.
std::shared_ptr<const T_Page_Pair_Text>
Pair_Text(const T_Compared_Pair& Pair, const T_Page_Words& Old_Page, const T_Page_Words& New_Page)
{
    return std::make_shared<const T_Page_Pair_Text>(
        Page_Pair_Text(Old_Page, New_Page, *Pair.Difference, To_New_Page(Pair.Alignment.get())));
}

void T_Pair_Run::Compare_Paged(const std::string& Old, const std::string& New, T_Paged_Kind Kind)
{
    // The session's own copy of the base, in a folder of its own, keeps the
    // page pictures out of the user's folder and pairs compared at once
    // apart.
    T_Diff_Session session(Old, New, T_Converter_Kind::None, Kind, {Settings_.Make_Exporter, {}});
    if (T_Work_Result opened = session.Open(); !opened.Done()) {
        Judge(Failed(Names_, opened.Message));
        return;
    }
    // Every page of a repaired document says so.
    T_Compared_Pair names = Names_;
    names.Repaired = session.Repaired(T_Side::Left) || session.Repaired(T_Side::Right);
    const T_Page_List old_pages = session.Pages(T_Side::Left);
    const T_Page_List new_pages = session.Pages(T_Side::Right);
    const std::vector<int> partner = Page_Partners(session, Kind);
    const std::vector<bool> moved = Moved_Pages(partner);
    // Read only when a page pair has changes: most pages of a set have none.
    // PDF pages, and drawings drawn from a PDF, have their text.
    std::unique_ptr<T_Pdf_Text_Layer> old_text, new_text;
    const bool has_text = !session.Text_Layer_File(T_Side::Left).empty() &&
                          !session.Text_Layer_File(T_Side::Right).empty();
    const auto read_text = [&] {
        if (old_text)
            return;
        old_text = std::make_unique<T_Pdf_Text_Layer>(session.Text_Layer_File(T_Side::Left));
        new_text = std::make_unique<T_Pdf_Text_Layer>(session.Text_Layer_File(T_Side::Right));
    };
    std::unique_ptr<T_Redraws> redraws;
    std::set<int> paired;
    for (int page = 0; page < old_pages.Count(); ++page) {
        T_Compared_Pair pair = names;
        pair.Old_Page = old_pages[page].Name;
        pair.Old_Page_Number = page + 1;
        const int other = partner[std::size_t(page)];
        if (other < 0) {
            pair.Result = T_Verdict::Only_Old;
            Judge(pair);
            continue;
        }
        paired.insert(other);
        pair.New_Page = new_pages[other].Name;
        pair.New_Page_Number = other + 1;
        pair.Moved = moved[std::size_t(page)];
        T_Work_Result left = session.Show_Page(T_Side::Left, page);
        T_Work_Result right = left.Done() ? session.Show_Page(T_Side::Right, other) : left;
        if (!right.Done()) {
            Judge(Failed(pair, right.Message));
            continue;
        }
        pair.Old_Content = old_pages[page].Content;
        pair.New_Content = new_pages[other].Content;
        // What changed on one line of the pages' text is one edit.
        const T_Settle_Differences join_by_line = [&, page, other](T_Difference& difference,
                                                                   const T_Alignment* alignment) {
            if (!has_text || difference.Changes.size() < 2)
                return;
            read_text();
            Join_Changes_On_Page_Lines(difference, old_text->Words(page), new_text->Words(other),
                                       To_New_Page(alignment));
        };
        pair = Compare_Shown_Pictures({left.File, session.Page_Store(T_Side::Left)},
                                      {right.File, session.Page_Store(T_Side::Right)}, right.File,
                                      Page_Comparison_Options(Settings_.Differences, session), pair,
                                      Settings_.Align, join_by_line);
        if (Kind == T_Paged_Kind::Pdf && pair.Result == T_Verdict::Different)
            pair = Compared_Again(session, page, other, pair, redraws, join_by_line);
        if (has_text && pair.Difference && !pair.Difference->Regions.empty()) {
            read_text();
            pair.Text = Pair_Text(pair, old_text->Words(page), new_text->Words(other));
        }
        Judge(pair);
    }
    for (int page = 0; page < new_pages.Count(); ++page) {
        if (paired.count(page))
            continue;
        T_Compared_Pair pair = names;
        pair.New_Page = new_pages[page].Name;
        pair.New_Page_Number = page + 1;
        pair.Result = T_Verdict::Only_New;
        Judge(pair);
    }
}

} // namespace

T_Compared_Pair Compare_Shown_Pictures(const T_Shown_File& Old_Display,
                                       const T_Shown_File& New_Display, const std::string& New_File,
                                       const T_Difference_Options& Options, T_Compared_Pair Pair,
                                       T_Align_Mode Align, const T_Settle_Differences& Settle)
{
    // Both pictures decode at the same time, on two cores.
    auto [old_picture, new_picture] = Both_At_Once(
        [&] { return Load_Drawn_Or_Decoded(Old_Display.Pages, Old_Display.File, New_File); },
        [&] { return Load_Drawn_Or_Decoded(New_Display.Pages, New_Display.File); });
    // Pages drawn in memory are compared once and never read by name.
    for (const T_Shown_File* page : {&Old_Display, &New_Display})
        if (page->Pages)
            page->Pages->Let_Go(page->Pages->Page_Named(page->File));
    return Compare_Decoded_Pair(old_picture, new_picture, Options, std::move(Pair), Align, Settle);
}

T_Compared_Pair Compare_Decoded_Pair(const T_Loaded_Picture& Old_Picture,
                                     const T_Loaded_Picture& New_Picture,
                                     const T_Difference_Options& Options, T_Compared_Pair Pair,
                                     T_Align_Mode Align, const T_Settle_Differences& Settle)
{
    for (const T_Loaded_Picture* picture : {&Old_Picture, &New_Picture}) {
        if (picture->Result == T_Picture_Load_Result::Loaded)
            continue;
        return Failed(Pair, Get_Msg(picture->Result == T_Picture_Load_Result::Too_Large
                                        ? cap_Image_Too_Large
                                        : cap_Image_Unreadable) +
                                " (" + (picture == &Old_Picture ? Pair.Old_Name : Pair.New_Name) +
                                ")");
    }
    if (std::string blank = Blank_Page_Error(Pair, Old_Picture.Image, New_Picture.Image);
        !blank.empty())
        return Failed(Pair, blank);
    T_Difference difference;
    if (Align == T_Align_Mode::Off) {
        difference = Compare_Decoded_Pictures(Old_Picture.Image, New_Picture.Image, Options);
    } else {
        T_Aligned_Difference aligned =
            Compare_Decoded_Aligned(Old_Picture.Image, New_Picture.Image, Align, Options);
        difference = std::move(aligned.Difference);
        if (!aligned.Aligned_Pixels.empty())
            Pair.Compared_Modified =
                QImage(reinterpret_cast<const uchar*>(aligned.Aligned_Pixels.data()),
                       aligned.Aligned_Width, aligned.Aligned_Height,
                       qsizetype(aligned.Aligned_Width) * 4, QImage::Format_ARGB32)
                    .copy();
        Pair.Alignment = std::make_shared<const T_Alignment>(std::move(aligned.Alignment));
    }
    Pair.Old_Width = Old_Picture.Image.width();
    Pair.Old_Height = Old_Picture.Image.height();
    Pair.New_Width = New_Picture.Image.width();
    Pair.New_Height = New_Picture.Image.height();
    if (Settle)
        Settle(difference, Pair.Alignment.get());
    Pair.Result = Verdict_Of(difference, Pair.Moved);
    Pair.Difference = std::make_shared<const T_Difference>(std::move(difference));
    Pair.Modified = New_Picture.Image;
    Pair.Base = Old_Picture.Image;
    return Pair;
}

T_Pair_Outcome Compare_Pair(const std::string& Old, const std::string& New,
                            const std::string& Old_Name, const std::string& New_Name,
                            const T_Pair_Settings& Settings)
{
    T_Compared_Pair names;
    names.Old_Name = Old_Name;
    names.New_Name = New_Name;
    names.Old_File = Old;
    names.New_File = New;
    T_Pair_Run run(Settings, names);
    run.Compare_Files(Old, New);
    return run.Outcome;
}
