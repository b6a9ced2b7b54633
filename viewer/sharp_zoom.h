// Pages stay sharp at every zoom. The panes show the pages' pictures at the
// resolution they are compared in; zoomed in beyond it, the visible part of
// a page that comes from a PDF (a PDF document, or a drawing the office
// draws through one) is drawn again at the scale shown, on the document
// worker, and laid over the enlarged pixels when it arrives. Parts are kept
// by page, scale and place (T_Sharp_Part_Cache, 64 MiB).
#pragma once

#include "pdf/pdf_region_render.h"
#include "session/latest_task.h"
#include "session/u_diff_session.h"
#include "viewer/diff_view_context.h"
#include "viewer/sharp_part_cache.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class TPane_Image;

class T_Sharp_Zoom : public QObject {
public:
    // Serves the base and the modified pane of View and both versions in its
    // one-pane view; nothing is sharpened while Drawing_Pages says the pages
    // a switch asked for are being drawn.
    T_Sharp_Zoom(const T_Diff_View_Context& View, std::function<bool()> Drawing_Pages);
    ~T_Sharp_Zoom() override;

    const T_Sharp_Part_Cache& Cache() const { return Cache_; }

private:
    struct T_Picture_Parts;
    // Serves picture Picture of Image, a drawing of Side's page; Source is
    // the pane whose picture that page's is (Image itself in the two panes).
    void Serve(TPane_Image* Image, int Picture, T_Side Side, TPane_Image* Source);
    // A control asked for the part of its picture it shows (see
    // TPane_Image::On_Sharp_Wanted).
    void Wanted(T_Picture_Parts& Parts, const QRect& Visible, const QSize& Drawn);
    void Request(T_Picture_Parts& Parts);
    void Deliver(T_Picture_Parts& Parts, T_Sharp_Part Part);

    const T_Comparison_Model& Model_;
    std::function<bool()> Drawing_Pages_;
    std::shared_ptr<T_Pdf_Region_Renderer> Renderer_;
    T_Sharp_Part_Cache Cache_;
    // Both panes' pictures, then the one-pane view's base and modified.
    std::vector<std::unique_ptr<T_Picture_Parts>> Pictures_;
};
