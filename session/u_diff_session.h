// One comparison, from opening its pair to its close, without a widget: the
// two names, the kinds, the exporter and its documents, the pages shown, the
// compared images made so far and the trim settings. Its operations return
// what they came to; the view shows pictures and messages from that and
// forwards the user's actions, and the session never calls into it.
#pragma once

#include "engine/U_ShellOp.h"
#include "differences/content_pairing.h"
#include "engine/converter_inputs.h"
#include "vocabulary/document_kinds.h"
#include "automation/u_multi_page_const.h"
#include "engine/vcs_diff_frame_const.h"
#include "session/base_copy.h"
#include "engine/work_result.h"
#include "session/pair_kinds.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

enum class T_Side { Left, Right };

// Makes the exporter of a paged kind; nullptr when the program has none for
// it, which is reported like a missing application.
using T_Exporter_Factory =
    std::function<std::unique_ptr<T_Base_Multipage_Wrapper>(T_Paged_Kind paged_kind)>;

// What the session needs from the program around it.
struct T_Session_Seams {
    T_Exporter_Factory Make_Exporter;
    // Called about every 100 ms while a converter runs that was not given a
    // watch of its own; false stops the run, and its operation then comes to
    // Stopped. Empty: such runs go to their end. (The window runs the
    // converter in the background, each run with its own watch.)
    std::function<bool()> Keep_Going;
};

class T_Diff_Session {
    // First, so that it outlives everything named after it: a paged
    // document's folder and the private copy of its base.
    std::unique_ptr<T_Base_Copy> Base_Copy_;

public:
    // A paged pair's base is copied into a folder of the session's own (see
    // T_Base_Copy): LeftFile names the copy, removed with the session.
    T_Diff_Session(std::string Left_File, std::string Right_File, T_Converter_Kind Converter_Kind,
                   T_Paged_Kind Paged_Kind, T_Session_Seams Seams);
    // Closes both documents and quits the exporter's application; removes
    // the session's folder with the copy of the base and the pages.
    ~T_Diff_Session();
    T_Diff_Session(const T_Diff_Session&) = delete;
    T_Diff_Session& operator=(const T_Diff_Session&) = delete;

    // Opens the pair: converts both inputs for display, or starts the
    // exporter, opens both documents and exports their first pages. Done:
    // Left_Display and Right_Display name the files the panes show.
    // Converter runs wait under Watch when given, else under the seam.
    T_Work_Result Open(T_Run_Watch* Watch = nullptr);
    // True when opening a pair of pictures runs the converter (an SVG, JPEG
    // 2000 or PPM side), which takes long enough to be shown.
    bool Opening_Runs_Converter() const;
    // How each side of a pair of pictures is prepared (see Picture_Side_Of),
    // as whoever made the pair's record read it; without it each side's
    // first bytes are read once, when first needed.
    void Know_Picture_Sides(T_Picture_Side Left, T_Picture_Side Right);

    // Shows page `Page_Index` of one side, exporting it when first asked for
    // (an export that still exists is reused). Done with the page's PNG: the
    // side's display, image and page are the new ones. Failed: nothing
    // changed.
    T_Work_Result Show_Page(T_Side Side, int Page_Index);
    // Shows a page that Export_Page made: the side's display, image and
    // page become the page's.
    void Show_Drawn_Page(T_Side Side, int Page_Index, const std::string& File);

    bool Is_Paged() const { return PagedKind != T_Paged_Kind::None; }
    // The side's version does not exist (the null device): a paged document
    // on one side only shows its pages there, and that side has none.
    bool Missing(T_Side Side) const;
    // One side's pages (empty for a pair of pictures).
    T_Page_List Pages(T_Side Side) const;
    // The PDF whose text layer holds the text of the side's pages: the
    // side's own file for a PDF pair, the PDF a drawing's pages are drawn
    // from once it is written; "" when the pages have no text layer.
    std::string Text_Layer_File(T_Side Side) const;
    // True when the side's document was damaged and is shown from a copy
    // rebuilt from it.
    bool Repaired(T_Side Side) const;
    // True when a side's pages can be searched for text.
    bool Has_Text_Layer() const
    {
        return !Text_Layer_File(T_Side::Left).empty() || !Text_Layer_File(T_Side::Right).empty();
    }
    // The store of the side's pages drawn in memory (its PDF's, or the page
    // of a one-page PDF shown as a picture); null where pages are files.
    T_Page_Store* Page_Store(T_Side Side) const;
    // A message with the private copy's name replaced by the user's.
    std::string In_Users_Names(const std::string& Message) const;
    // The ID that pairs a page with the other side's pages; -1 when none.
    std::int32_t Page_ID(T_Side Side, int Page_Index) const;
    // Pairs the pages by what they show, from now on; until then pages pair
    // by their IDs.
    void Set_Content_Pairing(T_Content_Pairing Pairing);
    // Null until the pages are paired by what they show.
    const T_Content_Pairing* Content_Pairing() const
    {
        return Content_Pairing_ ? &*Content_Pairing_ : nullptr;
    }
    // The other side's page shown with this one once the pages are paired by
    // what they show; -1 for a page without a counterpart.
    int Content_Counterpart(T_Side Side, int Page_Index) const;
    // The other side's page shown with this one: by what they show once
    // that is known, else by the pages' IDs; -1 for none.
    int Counterpart(T_Side Side, int Page_Index) const;
    // Exports a page of one side (reusing an export that still exists)
    // without showing it. Done with the page's PNG.
    T_Work_Result Export_Page(T_Side Side, int Page_Index) { return Fetch_Page(Side, Page_Index); }
    // How many changes a pair of pages has, once both have been shown and
    // compared; -1 while unknown.
    void Record_Changes(int Left_Page, int Right_Page, int Changes);
    int Changes(int Left_Page, int Right_Page) const;
    int Page(T_Side Side) const { return Side == T_Side::Left ? LeftPage : RightPage; }
    // A child run watched by the session's seam.
    T_Run_Watch Watch() const { return T_Run_Watch{Seams_.Keep_Going}; }
    // What the session was given from the program around it (work of its
    // own, such as pairing pages in a session apart, makes its exporters
    // the same way).
    const T_Session_Seams& Seams() const { return Seams_; }

    // The pair as given: the base (left) and the modified (right) document.
    const std::string LeftFile;
    const std::string RightFile;
    // What a comparison reads: the inputs themselves for pictures (also when
    // they were converted for display), the current pages' PNGs for paged
    // documents.
    std::string LeftImage;
    std::string RightImage;
    // What the panes show: the inputs, their converted PNGs, or the pages.
    std::string Left_Display;
    std::string Right_Display;
    // The launcher's classification of the modified file. Pictures are
    // prepared side by side by what each file is (Picture_Side_Of), so the
    // converter kind is only the modified side's, kept as it was handed over.
    const T_Converter_Kind ConverterKind;
    const T_Paged_Kind PagedKind;
    std::unique_ptr<T_Base_Multipage_Wrapper> Exporter;
    int LeftDoc = -1;
    int RightDoc = -1;
    // Pages shown, from 0; -1 until the first pages are shown, and always
    // for pictures.
    int LeftPage = -1;
    int RightPage = -1;
    T_Compare_Files_Cash CompareCache;
    // "Trim compared" and the pixels shaved off every edge before trimming.
    bool Trim = false;
    int Shave = 15;

private:
    T_Work_Result Open_Documents();
    T_Work_Result Prepare_Pictures(T_Run_Watch* Watch);
    // The page of a one-page PDF document, drawn as a picture.
    T_Work_Result Draw_Single_Page(const std::string& File,
                                   std::unique_ptr<T_Base_Multipage_Wrapper>& Drawer);
    T_Work_Result Fetch_Page(T_Side Side, int Page_Index);
    const std::pair<T_Picture_Side, T_Picture_Side>& Picture_Sides() const;
    int Doc(T_Side Side) const { return Side == T_Side::Left ? LeftDoc : RightDoc; }
    // What every page picture's name starts with, chosen as the documents
    // open.
    std::string Page_Names() const;

    T_Session_Seams Seams_;
    // The drawers of the sides of a pair of pictures that are one-page PDFs.
    std::unique_ptr<T_Base_Multipage_Wrapper> Single_Page_Drawers_[2];
    std::optional<T_Content_Pairing> Content_Pairing_;
    std::map<std::pair<int, int>, int> Page_Pair_Changes;
    std::string Page_Names_; // see Page_Names
    // Read before the first opening, on the thread that opens the pair.
    mutable std::optional<std::pair<T_Picture_Side, T_Picture_Side>> Picture_Sides_;
};

// Opens one document of a paged pair in the session's exporter into
// `Doc_Index`. Failed with cap_File_Not_Found or cap_Cant_Open_File, the name
// and the application's message.
T_Work_Result Open_Paged_Document(const std::string& File_Name, int& Doc_Index,
                                  T_Diff_Session& Session);

// The compared image of the session's current pair, from the cache when an
// earlier one still exists, else from a converter run that is then cached.
// The inputs are what the converter reads for each side: the file whose
// picture the pane shows, in the format the pane decoded it from, or a PNG
// of the pane's picture (Converter_Word_For_File).
// The converter run waits under Watch when given, else under the session's
// seam.
T_Work_Result Compare_Images(T_Diff_Session& Session, const T_Compare_Input& Left,
                             const T_Compare_Input& Right, T_Run_Watch* Watch = nullptr);
