#include "session/comparison_model.h"

#include "session/difference_task.h"
#include "pdf/document_worker.h"
#include "platform/os_platform.h"
#include "engine/u_temp_files.h"
#include "session/work_beside.h"

#include <QImageWriter>

T_Comparison_Model::T_Comparison_Model(std::string Left_File, std::string Right_File,
                                       T_Converter_Kind Converter_Kind, T_Paged_Kind Paged_Kind,
                                       T_Session_Seams Seams, QObject* Context,
                                       std::function<void()> Differences_Ready)
    : Session_(std::move(Left_File), std::move(Right_File), Converter_Kind, Paged_Kind,
               std::move(Seams)),
      Differences_Ready_(std::move(Differences_Ready))
{
    Task_ = std::make_unique<T_Difference_Task>(
        Context, [this](std::shared_ptr<const T_Aligned_Difference> result) {
            // The differences share the
            // result's lifetime.
            Difference_ = std::shared_ptr<const T_Difference>(result, &result->Difference);
            Aligned_ = std::move(result);
            Current_Change = -1;
            if (Differences_Ready_)
                Differences_Ready_();
        });
}

T_Comparison_Model::~T_Comparison_Model()
{
    Finish_Drawing_Ahead();
    if (Decoding_Left_.valid())
        Decoding_Left_.wait();
}

void T_Comparison_Model::Close_Documents()
{
    Finish_Drawing_Ahead();
    Session_.Exporter.reset();
}

void T_Comparison_Model::Finish_Drawing_Ahead()
{
    Stop_Drawing_Ahead();
    if (std::shared_future<void> ahead = Drawing_Ahead(); ahead.valid())
        ahead.wait();
}

std::shared_future<void> T_Comparison_Model::Drawing_Ahead() const
{
    const std::lock_guard<std::mutex> lock(Ahead_Lock_);
    return Drawing_Ahead_;
}

void T_Comparison_Model::Stop_Drawing_Ahead()
{
    const std::lock_guard<std::mutex> lock(Ahead_Lock_);
    if (Stop_Drawing_Ahead_)
        *Stop_Drawing_Ahead_ = true;
}

void T_Comparison_Model::Set_Content_Pairing(T_Content_Pairing Pairing)
{
    Session_.Set_Content_Pairing(std::move(Pairing));
    Draw_Ahead();
}

void T_Comparison_Model::Draw_Ahead()
{
    if (!Session_.Exporter || !Session_.Exporter->Exports_In_Parallel())
        return;
    // Until a PDF's pages are paired by what they show, the next sheet's
    // counterpart is not known, and drawing it would hold the renderer that
    // the pairing's small drawings wait for.
    if (Session_.PagedKind == T_Paged_Kind::Pdf && !Session_.Content_Pairing() &&
        !Missing(T_Side::Left) && !Missing(T_Side::Right))
        return;
    const int next = Session_.LeftPage + 1;
    if (next <= 0 || next >= Session_.Pages(T_Side::Left).Count())
        return;
    const int counterpart = Session_.Counterpart(T_Side::Left, next);
    // The one before stops after its call under way (its end is waited for
    // as it is replaced).
    Stop_Drawing_Ahead();
    auto stop_flag = std::make_shared<std::atomic<bool>>(false);
    std::shared_future<void> drawing =
        Start_Beside([this, next, counterpart, stop = stop_flag] {
            // Behind everything the window waits for; a page switch drops
            // what has not started.
            const T_Document_Call_Scope scope(T_Document_Priority::Rest, stop.get());
            // An export that exists is reused, and the drawn picture is kept in
            // memory for the page switch that takes it.
            Session_.Export_Page(T_Side::Left, next);
            if (counterpart >= 0 && !*stop)
                Session_.Export_Page(T_Side::Right, counterpart);
        }).share();
    const std::lock_guard<std::mutex> lock(Ahead_Lock_);
    Stop_Drawing_Ahead_ = std::move(stop_flag);
    Drawing_Ahead_ = std::move(drawing);
}

bool T_Comparison_Model::Missing(T_Side Side) const { return Session_.Missing(Side); }

const std::string& T_Comparison_Model::Display(T_Side Side) const
{
    return Side == T_Side::Left ? Session_.Left_Display : Session_.Right_Display;
}

T_Work_Result T_Comparison_Model::Open(T_Run_Watch* Watch)
{
    T_Work_Result opened = Session_.Open(Watch);
    if (!opened.Done())
        return opened;
    // Both pictures decode at the same time, on two cores: the window then
    // waits only for the slower one, and the base goes on decoding while
    // the modified pane is filled (see Picture). The base takes the
    // modified file's name as a hint, so that a base without its format's
    // ending loads.
    if (!Missing(T_Side::Left))
        Decoding_Left_ = Start_Beside([this] {
            return Load_Drawn_Or_Decoded(Session_.Page_Store(T_Side::Left), Session_.Left_Display,
                                         Session_.RightFile);
        });
    if (!Missing(T_Side::Right))
        Pictures_[1] =
            Load_Drawn_Or_Decoded(Session_.Page_Store(T_Side::Right), Session_.Right_Display);
    Forget_Differences();
    return opened;
}

const T_Loaded_Picture& T_Comparison_Model::Picture(T_Side Side) const
{
    if (Side == T_Side::Left && Decoding_Left_.valid())
        Pictures_[0] = Decoding_Left_.get();
    return Pictures_[Index(Side)];
}

T_Work_Result T_Comparison_Model::Fetch_Page(T_Side Side, int Page_Index)
{
    Picture(Side); // a picture still decoding is not the page's
    T_Work_Result page = Session_.Show_Page(Side, Page_Index);
    if (page.Done()) {
        Pictures_[Index(Side)] = Load_Drawn_Or_Decoded(Session_.Page_Store(Side), page.File);
        Png_Copies_[Index(Side)].clear();
    }
    return page;
}

T_Work_Result T_Comparison_Model::Show_Page(T_Side Side, int Page_Index)
{
    Finish_Drawing_Ahead();
    T_Work_Result page = Fetch_Page(Side, Page_Index);
    if (page.Done())
        Forget_Differences();
    return page;
}

T_Drawn_Pages T_Comparison_Model::Draw_Pages(int Left_Page, int Right_Page,
                                             const std::atomic<bool>* Unwanted)
{
    const auto unwanted = [Unwanted] { return Unwanted && Unwanted->load(); };
    const std::lock_guard<std::mutex> drawing(Drawing_Pages_);
    T_Drawn_Pages drawn;
    if (unwanted())
        return drawn;
    if (std::shared_future<void> ahead = Drawing_Ahead(); ahead.valid())
        ahead.wait();
    drawn.Page[0] = Left_Page;
    drawn.Page[1] = Right_Page;
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        const int at = Index(side);
        if (drawn.Page[at] < 0 || unwanted())
            continue;
        drawn.Result[at] = Session_.Export_Page(side, drawn.Page[at]);
        if (drawn.Result[at].Done() && !unwanted())
            drawn.Picture[at] =
                Load_Drawn_Or_Decoded(Session_.Page_Store(side), drawn.Result[at].File);
    }
    return drawn;
}

T_Work_Result T_Comparison_Model::Take_Pages(T_Drawn_Pages Drawn)
{
    T_Work_Result result = T_Work_Result::Made({});
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        const int at = Index(side);
        if (Drawn.Page[at] < 0)
            continue;
        if (!Drawn.Result[at].Done()) {
            if (result.Done())
                result = Drawn.Result[at];
            continue;
        }
        Picture(side); // a picture still decoding is not the page's
        Session_.Show_Drawn_Page(side, Drawn.Page[at], Drawn.Result[at].File);
        Pictures_[at] = std::move(Drawn.Picture[at]);
        Png_Copies_[at].clear();
    }
    Forget_Differences();
    Draw_Ahead();
    return result;
}

T_Work_Result T_Comparison_Model::Show_Pages(int Left_Page, int Right_Page)
{
    Finish_Drawing_Ahead();
    const bool both = Left_Page >= 0 && Right_Page >= 0;
    const auto fetch = [this](T_Side Side, int Page) {
        return Page >= 0 ? Fetch_Page(Side, Page) : T_Work_Result::Made({});
    };
    auto [result, right] =
        Both_At_Once([&] { return fetch(T_Side::Left, Left_Page); },
                     [&] { return fetch(T_Side::Right, Right_Page); },
                     both && Session_.Exporter && Session_.Exporter->Exports_In_Parallel());
    if (result.Done())
        result = right;
    Forget_Differences();
    Draw_Ahead();
    return result;
}

void T_Comparison_Model::Forget_Differences()
{
    Difference_.reset();
    Aligned_.reset();
    Current_Change = -1;
}

T_Compare_Input T_Comparison_Model::Compare_Input(T_Side Side)
{
    const T_Loaded_Picture& picture = Picture(Side);
    if (picture.Image.isNull())
        return {};
    const std::string& file = Display(Side);
    // A turned picture is compared as shown, not as stored.
    if (std::string word = Converter_Word_For_File(file, picture.Qt_Format);
        !word.empty() && !picture.Oriented)
        return {file, word, Session_.Page_Store(Side)};
    std::string& copy = Png_Copies_[Index(Side)];
    if (copy.empty()) {
        std::string name = Temp_Path(".png");
        QImageWriter writer(QString::fromStdString(name), "png");
        // Written for one comparison and read once: speed matters more than size.
        writer.setQuality(90);
        if (writer.write(picture.Image))
            copy = name;
    }
    return {copy, "png"};
}

void T_Comparison_Model::Request_Differences(const T_Difference_Options& Options)
{
    Options_ = Options;
    Forget_Differences();
    Drawing_Failure_ = Find_Drawing_Failure();
    Task_->Request(Picture(T_Side::Left).Image, Picture(T_Side::Right).Image, Align_Mode,
                   Session_.Is_Paged() ? Page_Comparison_Options(Options, Session_) : Options,
                   Join_By_Text_Lines(Options));
}

T_Settle_Differences
T_Comparison_Model::Join_By_Text_Lines(const T_Difference_Options& Options) const
{
    const std::string old_file = Session_.Text_Layer_File(T_Side::Left);
    const std::string new_file = Session_.Text_Layer_File(T_Side::Right);
    if (old_file.empty() || new_file.empty() || Missing(T_Side::Left) || Missing(T_Side::Right))
        return {};
    return Text_Lines_.For_Pages(old_file, Session_.Page(T_Side::Left), new_file,
                                 Session_.Page(T_Side::Right), Options.Offset_X, Options.Offset_Y);
}

bool T_Comparison_Model::Differences_Busy() const { return Task_->Busy(); }

T_Verdict T_Comparison_Model::Verdict() const
{
    if (!Drawing_Failure().empty() || !Difference_)
        return T_Verdict::Error;
    return Verdict_Of(*Difference_, Pages_Moved());
}

bool T_Comparison_Model::Pages_Moved() const
{
    const T_Content_Pairing* pairing = Session_.Content_Pairing();
    if (!pairing)
        return false;
    const int left = Session_.Page(T_Side::Left), right = Session_.Page(T_Side::Right);
    const auto at = static_cast<std::size_t>(left);
    return left >= 0 && at < pairing->Pairs.Left_To_Right.size() &&
           at < pairing->Left_Moved.size() && pairing->Pairs.Left_To_Right[at] == right &&
           pairing->Left_Moved[at];
}

std::string T_Comparison_Model::Find_Drawing_Failure() const
{
    if (!Session_.Is_Paged())
        return {};
    T_Compared_Pair pages;
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        const T_Page_List list = Session_.Pages(side);
        const int page = Session_.Page(side);
        if (!list.Is_Valid_Index(page))
            return {};
        (side == T_Side::Left ? pages.Old_Page : pages.New_Page) = list[page].Name;
        (side == T_Side::Left ? pages.Old_Content : pages.New_Content) = list[page].Content;
    }
    // The base is read from a private copy: the sides are named by role.
    pages.Old_Name = "the base version";
    pages.New_Name = "the modified version";
    return Blank_Page_Error(pages, Picture(T_Side::Left).Image, Picture(T_Side::Right).Image);
}
