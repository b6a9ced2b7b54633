#include "viewer/sharp_zoom.h"

#include "pdf/document_worker.h"
#include "session/comparison_model.h"
#include "viewer/pane_grid.h"
#include "viewer/u_blend_frame.h"
#include "viewer/u_pane_image.h"
#include "viewer/vcs_view_image_frame.h"

#include <utility>

namespace {

// Zoom steps and scrolling come in bursts: a part is asked for once the view
// has rested this long.
constexpr int Settle_Ms = 40;

} // namespace

struct T_Sharp_Zoom::T_Picture_Parts {
    explicit T_Picture_Parts(T_Sharp_Zoom* Zoom)
        : Task(Zoom, [Zoom, this](T_Sharp_Part Part) { Zoom->Deliver(*this, std::move(Part)); })
    {
    }
    QPointer<TPane_Image> Image;
    int Picture = 0;
    T_Side Side = T_Side::Left;
    QPointer<TPane_Image> Source;
    // The latest wish, asked for once the view rests.
    QRect Visible;
    QSize Drawn;
    QTimer Settle;
    // What is being drawn, and for which picture of the control.
    T_Sharp_Key Asked;
    QRect Asked_Where;
    qint64 Asked_For_Picture = 0;
    T_Latest_Task<T_Sharp_Part> Task;
};

T_Sharp_Zoom::T_Sharp_Zoom(const T_Diff_View_Context& View, std::function<bool()> Drawing_Pages)
    : QObject(&View.View), Model_(View.Model), Drawing_Pages_(std::move(Drawing_Pages)),
      Renderer_(std::make_shared<T_Pdf_Region_Renderer>())
{
    TPane_Image* base =
        View.Panes.View_Image_Frame1 ? View.Panes.View_Image_Frame1->Image1 : nullptr;
    TPane_Image* modified =
        View.Panes.View_Image_Frame2 ? View.Panes.View_Image_Frame2->Image1 : nullptr;
    Serve(base, 0, T_Side::Left, base);
    Serve(modified, 0, T_Side::Right, modified);
    T_Blend_Frame* one_pane = View.Panes.View_Image_Frame4;
    if (!one_pane)
        return;
    // The one-pane view's control is made when that view first shows.
    auto serve_blend = [this, base, modified](T_Blend_Image& Blend) {
        Serve(&Blend, 0, T_Side::Left, base);
        Serve(&Blend, 1, T_Side::Right, modified);
    };
    if (one_pane->Blend())
        serve_blend(*one_pane->Blend());
    else
        one_pane->On_Blend_Built = serve_blend;
}

T_Sharp_Zoom::~T_Sharp_Zoom()
{
    for (auto& parts : Pictures_)
        if (parts->Image)
            parts->Image->On_Sharp_Wanted = nullptr;
}

void T_Sharp_Zoom::Serve(TPane_Image* Image, int Picture, T_Side Side, TPane_Image* Source)
{
    if (!Image)
        return;
    auto owned = std::make_unique<T_Picture_Parts>(this);
    T_Picture_Parts& parts = *owned;
    parts.Image = Image;
    parts.Picture = Picture;
    parts.Side = Side;
    parts.Source = Source;
    parts.Settle.setSingleShot(true);
    parts.Settle.setInterval(Settle_Ms);
    connect(&parts.Settle, &QTimer::timeout, this, [this, &parts] { Request(parts); });
    Pictures_.push_back(std::move(owned));
    // A control drawing two pictures asks for each by its number.
    std::vector<T_Picture_Parts*> served;
    for (auto& each : Pictures_)
        if (each->Image == Image)
            served.push_back(each.get());
    Image->On_Sharp_Wanted = [this, served](int Which, const QRect& Visible, const QSize& Drawn) {
        for (T_Picture_Parts* each : served)
            if (each->Picture == Which)
                Wanted(*each, Visible, Drawn);
    };
}

void T_Sharp_Zoom::Deliver(T_Picture_Parts& Parts, T_Sharp_Part Part)
{
    // A page switched, or a picture reloaded, since it was asked for.
    if (!Parts.Image || Part.Part.isNull() ||
        Parts.Image->Sharp_Picture(Parts.Picture).cacheKey() != Parts.Asked_For_Picture)
        return;
    Parts.Image->Set_Sharp_Part(Parts.Picture, Part.Part, Part.Where, Part.Key.Drawn);
    Cache_.Add(std::move(Part));
}

void T_Sharp_Zoom::Wanted(T_Picture_Parts& Parts, const QRect& Visible, const QSize& Drawn)
{
    // Paints repeat the same wish: only a new one waits for the view to rest.
    if (Parts.Settle.isActive() && Parts.Visible == Visible && Parts.Drawn == Drawn)
        return;
    Parts.Visible = Visible;
    Parts.Drawn = Drawn;
    Parts.Settle.start();
}

void T_Sharp_Zoom::Request(T_Picture_Parts& Parts)
{
    const T_Diff_Session& session = Model_.Session();
    // A blank sheet stands for a page being drawn: nothing to sharpen yet.
    if (!Parts.Image || !Parts.Source || Drawing_Pages_() || !session.Is_Paged() ||
        session.Missing(Parts.Side))
        return;
    // Only the page's own picture is drawn again: a modified picture moved
    // onto the base by alignment is another picture.
    const qint64 picture = Parts.Image->Sharp_Picture(Parts.Picture).cacheKey();
    if (picture != Parts.Source->Picture().cacheKey())
        return;
    T_Sharp_Key key{session.Text_Layer_File(Parts.Side), session.Page(Parts.Side), Parts.Drawn,
                    Parts.Image->devicePixelRatioF()};
    if (key.File.empty() || key.Page < 0 || Parts.Visible.isEmpty())
        return;
    if (const T_Sharp_Part* kept = Cache_.Find(key, Parts.Visible)) {
        Parts.Image->Set_Sharp_Part(Parts.Picture, kept->Part, kept->Where, key.Drawn);
        return;
    }
    if (Parts.Task.Busy() && Parts.Asked == key && Parts.Asked_For_Picture == picture &&
        Parts.Asked_Where.contains(Parts.Visible))
        return;
    // Exactly what is visible: the reader draws a part a pixel or two
    // differently depending on where the part's edges lie, so a larger part
    // would show other pixels than the reader's drawing of the view.
    const QRect where = Parts.Visible & QRect(QPoint(0, 0), key.Drawn);
    Parts.Asked = key;
    Parts.Asked_Where = where;
    Parts.Asked_For_Picture = picture;
    Parts.Task.Start([renderer = Renderer_, key, where](const T_Cancel_Flag& Cancel) {
        // What the reviewer looks at goes before everything else; a part
        // overtaken by a newer one is not drawn.
        const T_Document_Call_Scope scope(T_Document_Priority::Visible_Pair, &Cancel.Flag());
        const double ratio = key.Pixel_Ratio;
        const QSize page(int(std::lround(key.Drawn.width() * ratio)),
                         int(std::lround(key.Drawn.height() * ratio)));
        const QRect clip(int(std::lround(where.x() * ratio)), int(std::lround(where.y() * ratio)),
                         int(std::lround(where.width() * ratio)),
                         int(std::lround(where.height() * ratio)));
        QImage part = renderer->Render(key.File, key.Page, page, clip);
        part.setDevicePixelRatio(ratio);
        return T_Sharp_Part{key, where, std::move(part)};
    });
}
