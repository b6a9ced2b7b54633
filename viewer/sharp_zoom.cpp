#include "viewer/sharp_zoom.h"

#include "pdf/document_worker.h"
#include "session/comparison_model.h"
#include "viewer/pane_grid.h"
#include "viewer/u_pane_image.h"
#include "viewer/vcs_view_image_frame.h"

#include <utility>

namespace {

// Zoom steps and scrolling come in bursts: a part is asked for once the view
// has rested this long.
constexpr int Settle_Ms = 40;

} // namespace

struct T_Sharp_Zoom::T_Side_Parts {
    T_Side_Parts(QObject* Receiver, std::function<void(T_Sharp_Part)> Delivered)
        : Task(Receiver, std::move(Delivered))
    {
    }
    QPointer<TPane_Image> Image;
    // The latest wish, asked for once the view rests.
    QRect Visible;
    QSize Drawn;
    QTimer Settle;
    // What is being drawn, and for which picture of the pane.
    T_Sharp_Key Asked;
    QRect Asked_Where;
    qint64 Asked_For_Picture = 0;
    T_Latest_Task<T_Sharp_Part> Task;
};

T_Sharp_Zoom::T_Sharp_Zoom(const T_Diff_View_Context& View, std::function<bool()> Drawing_Pages)
    : QObject(&View.View), Model_(View.Model), Drawing_Pages_(std::move(Drawing_Pages)),
      Renderer_(std::make_shared<T_Pdf_Region_Renderer>())
{
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        const int at = side == T_Side::Left ? 0 : 1;
        auto parts = std::make_unique<T_Side_Parts>(this, [this, at](T_Sharp_Part Part) {
            T_Side_Parts& parts = *Sides_[at];
            // A page switched, or a picture reloaded, since it was asked for.
            if (!parts.Image || Part.Part.isNull() ||
                parts.Image->Picture().cacheKey() != parts.Asked_For_Picture)
                return;
            parts.Image->Set_Sharp_Part(Part.Part, Part.Where, Part.Key.Drawn);
            Cache_.Add(std::move(Part));
        });
        TView_Image_Frame* pane =
            side == T_Side::Left ? View.Panes.View_Image_Frame1 : View.Panes.View_Image_Frame2;
        parts->Image = pane ? pane->Image1 : nullptr;
        parts->Settle.setSingleShot(true);
        parts->Settle.setInterval(Settle_Ms);
        connect(&parts->Settle, &QTimer::timeout, this, [this, side] { Request(side); });
        if (parts->Image)
            parts->Image->On_Sharp_Wanted = [this, side](const QRect& Visible, const QSize& Drawn) {
                Wanted(side, Visible, Drawn);
            };
        Sides_[at] = std::move(parts);
    }
}

T_Sharp_Zoom::~T_Sharp_Zoom()
{
    for (auto& parts : Sides_)
        if (parts->Image)
            parts->Image->On_Sharp_Wanted = nullptr;
}

void T_Sharp_Zoom::Wanted(T_Side Side, const QRect& Visible, const QSize& Drawn)
{
    T_Side_Parts& parts = *Sides_[Side == T_Side::Left ? 0 : 1];
    // Paints repeat the same wish: only a new one waits for the view to rest.
    if (parts.Settle.isActive() && parts.Visible == Visible && parts.Drawn == Drawn)
        return;
    parts.Visible = Visible;
    parts.Drawn = Drawn;
    parts.Settle.start();
}

void T_Sharp_Zoom::Request(T_Side Side)
{
    T_Side_Parts& parts = *Sides_[Side == T_Side::Left ? 0 : 1];
    const T_Diff_Session& session = Model_.Session();
    // A blank sheet stands for a page being drawn: nothing to sharpen yet.
    if (!parts.Image || Drawing_Pages_() || !session.Is_Paged() || session.Missing(Side))
        return;
    T_Sharp_Key key{session.Text_Layer_File(Side), session.Page(Side), parts.Drawn,
                    parts.Image->devicePixelRatioF()};
    if (key.File.empty() || key.Page < 0 || parts.Visible.isEmpty())
        return;
    const qint64 picture = parts.Image->Picture().cacheKey();
    if (const T_Sharp_Part* kept = Cache_.Find(key, parts.Visible)) {
        parts.Image->Set_Sharp_Part(kept->Part, kept->Where, key.Drawn);
        return;
    }
    if (parts.Task.Busy() && parts.Asked == key && parts.Asked_For_Picture == picture &&
        parts.Asked_Where.contains(parts.Visible))
        return;
    // Exactly what is visible: the reader draws a part a pixel or two
    // differently depending on where the part's edges lie, so a larger part
    // would show other pixels than the reader's drawing of the view.
    const QRect where = parts.Visible & QRect(QPoint(0, 0), key.Drawn);
    parts.Asked = key;
    parts.Asked_Where = where;
    parts.Asked_For_Picture = picture;
    parts.Task.Start([renderer = Renderer_, key, where](const T_Cancel_Flag& Cancel) {
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
