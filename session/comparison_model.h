// The comparison the window shows: its diff session (the pair, the kinds,
// the documents and their pages, the compared-image cache), the two decoded
// pictures of the pair or page pair shown, and their differences, computed
// in the background whenever the pictures or the settings change. The panes,
// the tabs and the status line render it and send the user's requests to it;
// nothing reads a picture back out of a pane.
#pragma once

#include "engine/converter_inputs.h"
#include "session/pair_pipeline.h"
#include "differences/picture_alignment.h"
#include "session/shown_page_text_lines.h"
#include "session/u_diff_session.h"
#include "imaging/u_image_load.h"
#include "session/view_state.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>

class QObject;
class T_Difference_Task;

// A page pair drawn and decoded, not shown yet (see Draw_Pages).
struct T_Drawn_Pages {
    int Page[2] = {-1, -1}; // left, right; negative for a side left as it is
    T_Work_Result Result[2];
    T_Loaded_Picture Picture[2];
};

class T_Comparison_Model {
public:
    // Differences_Ready runs on Context's thread (the user interface) each
    // time the differences of the current pictures are known.
    T_Comparison_Model(std::string Left_File, std::string Right_File,
                       T_Converter_Kind Converter_Kind, T_Paged_Kind Paged_Kind,
                       T_Session_Seams Seams, QObject* Context,
                       std::function<void()> Differences_Ready);
    ~T_Comparison_Model();
    T_Comparison_Model(const T_Comparison_Model&) = delete;
    T_Comparison_Model& operator=(const T_Comparison_Model&) = delete;

    T_Diff_Session& Session() { return Session_; }
    const T_Diff_Session& Session() const { return Session_; }

    // Opens the pair and decodes both pictures (at the same time). A picture
    // that cannot be decoded is no failure here: its pane says why.
    // Converter runs wait under Watch when given (see T_Diff_Session::Open).
    T_Work_Result Open(T_Run_Watch* Watch = nullptr);
    // Shows a page of one side: exported when first asked for, taken from
    // memory when it was just drawn, decoded otherwise.
    T_Work_Result Show_Page(T_Side Side, int Page_Index);
    // Shows a page on each side at once (a negative index leaves that side
    // as it is), both drawn at the same time where the exporter allows it. A
    // side whose page fails stays on its page; the first failure is returned.
    T_Work_Result Show_Pages(int Left_Page, int Right_Page);
    // Draws and decodes a page of each side (a negative index leaves that
    // side out) without showing them; safe on any thread, the window's
    // included only where the documents are drawn elsewhere. Waits first
    // for the page being drawn ahead, which Stop_Drawing_Ahead stopped. Once
    // Unwanted holds (a newer page switch came), what is not begun is left
    // out: switches wait for each other here, and a run of page keys would
    // otherwise draw every page it passed.
    T_Drawn_Pages Draw_Pages(int Left_Page, int Right_Page,
                             const std::atomic<bool>* Unwanted = nullptr);
    // True when pages may be drawn on another thread than the window's
    // (documents drawn in the program, not by an application it drives).
    bool Draws_Pages_Apart() const
    {
        return Session_.Exporter && Session_.Exporter->Exports_In_Parallel();
    }
    // Stops drawing ahead after the call under way, without waiting: on the
    // window's thread, before the pages it asks for are drawn elsewhere.
    void Stop_Drawing_Ahead();
    // Shows pages that Draw_Pages drew: a side whose page failed stays on
    // its page; the first failure is returned. On the window's thread.
    T_Work_Result Take_Pages(T_Drawn_Pages Drawn);
    // Closes both documents and quits the exporter's application, once the
    // pages drawn ahead are done.
    void Close_Documents();

    // The side's version does not exist (the null device).
    bool Missing(T_Side Side) const;
    const std::string& Display(T_Side Side) const;
    // The base's picture may still be decoding right after Open: the first
    // call waits for it, so that the modified pane is loaded meanwhile.
    const T_Loaded_Picture& Picture(T_Side Side) const;
    bool Has_Picture(T_Side Side) const { return !Picture(Side).Image.isNull(); }

    // What the converter reads for one side: the shown file in the format it
    // was decoded from, or a PNG of the decoded picture where the converter
    // would not read the file as it is shown. Empty without a picture.
    T_Compare_Input Compare_Input(T_Side Side);

    // Asks for the differences of the current pictures under these settings
    // (the offset included); an older request is dropped.
    void Request_Differences(const T_Difference_Options& Options);
    bool Differences_Busy() const;
    // Null until the differences of the current pictures are known.
    const T_Difference* Differences() const { return Difference_.get(); }
    std::shared_ptr<const T_Difference> Shared_Differences() const { return Difference_; }
    const T_Difference_Options& Difference_Options() const { return Options_; }
    // The alignment the known differences were found under, with the
    // modified picture as it was compared when it had to be redrawn; null
    // while the differences are not known.
    const T_Aligned_Difference* Aligned() const { return Aligned_.get(); }
    // The pair's verdict as the folder list and --compare give it; Error
    // while the differences are not known, and for pages not drawn.
    T_Verdict Verdict() const;
    // Why the pages shown cannot be judged: one of them holds something to
    // draw and came out as one flat colour. Empty otherwise (and until the
    // differences of the pages shown are asked for).
    const std::string& Drawing_Failure() const { return Drawing_Failure_; }
    // The pages shown are counterparts whose places in the order differ
    // (a sheet put elsewhere): a change of the document however alike they
    // look. Known once the pages are paired by content.
    bool Pages_Moved() const;
    // Pairs the pages by what they show from now on, and draws ahead the
    // next sheet's counterpart, which is known only now.
    void Set_Content_Pairing(T_Content_Pairing Pairing);

    // How the modified picture is laid on the base before the differences
    // are found, from the next request on.
    T_Align_Mode Align_Mode = T_Align_Mode::Off;
    // The parts of the base picture the differences leave out, from the
    // next request on.
    T_Ignore_Areas Ignore;
    // The change region the user stepped to; -1 for none.
    int Current_Change = -1;
    // The view mode, zoom and offset every pane shows.
    T_View_State View;

private:
    static int Index(T_Side Side) { return Side == T_Side::Left ? 0 : 1; }
    // The session's part of a page switch, and the decoding of its picture;
    // the two sides of a switch may run at once.
    T_Work_Result Fetch_Page(T_Side Side, int Page_Index);
    // Documents drawn in the program draw the next sheet and its counterpart
    // in the background once a pair is shown: a reviewer steps through a
    // set sheet by sheet, and the next step then shows pages already drawn.
    void Draw_Ahead();
    // Stops drawing ahead after the page in progress and waits for it.
    void Finish_Drawing_Ahead();
    void Forget_Differences();
    std::string Find_Drawing_Failure() const;
    // For pages with a text layer on both sides: what changed on one line
    // of their text is one change, as without a window.
    T_Settle_Differences Join_By_Text_Lines(const T_Difference_Options& Options) const;

    T_Diff_Session Session_;
    mutable T_Loaded_Picture Pictures_[2];
    mutable std::future<T_Loaded_Picture> Decoding_Left_;
    std::string Png_Copies_[2];
    T_Difference_Options Options_;
    std::unique_ptr<T_Difference_Task> Task_;
    // The pages' text layers, which join the changes of a page pair by line.
    T_Shown_Page_Text_Lines Text_Lines_;
    std::shared_ptr<const T_Difference> Difference_;
    std::shared_ptr<const T_Aligned_Difference> Aligned_;
    std::string Drawing_Failure_;
    std::function<void()> Differences_Ready_;
    // The drawing ahead under way, read by page switches on their threads.
    std::shared_future<void> Drawing_Ahead() const;
    mutable std::mutex Ahead_Lock_;
    std::shared_future<void> Drawing_Ahead_;
    std::shared_ptr<std::atomic<bool>> Stop_Drawing_Ahead_;
    // One page pair drawn at a time: a switch overtaken by a newer one may
    // still be finishing the call it is in.
    std::mutex Drawing_Pages_;
};
