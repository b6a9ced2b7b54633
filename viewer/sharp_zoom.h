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

class TPane_Image;

class T_Sharp_Zoom : public QObject {
public:
    // Serves the base and the modified pane of View; nothing is sharpened
    // while Drawing_Pages says the pages a switch asked for are being drawn.
    T_Sharp_Zoom(const T_Diff_View_Context& View, std::function<bool()> Drawing_Pages);
    ~T_Sharp_Zoom() override;

    const T_Sharp_Part_Cache& Cache() const { return Cache_; }

private:
    struct T_Side_Parts;
    // A pane asked for the part of its page it shows (see
    // TPane_Image::On_Sharp_Wanted).
    void Wanted(T_Side Side, const QRect& Visible, const QSize& Drawn);
    void Request(T_Side Side);

    const T_Comparison_Model& Model_;
    std::function<bool()> Drawing_Pages_;
    std::shared_ptr<T_Pdf_Region_Renderer> Renderer_;
    T_Sharp_Part_Cache Cache_;
    std::unique_ptr<T_Side_Parts> Sides_[2];
};
