// The diff view's differences computed in the program: the Differences
// view's settings, the change regions outlined in every pane, and stepping
// from one change to the next.
#include "difference_task.h"
#include "u_blend_frame.h"
#include "u_pane_synchronizer.h"
#include "u_zoom.h"
#include "vcs_diff_frame.h"

#include <QAction>
#include <QCheckBox>
#include <QLocale>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Room around a change when it is brought into view, in screen pixels.
constexpr int Reveal_Margin = 40;

QColor Region_Colour(T_Change_Region::T_Kind Kind)
{
    switch (Kind) {
    case T_Change_Region::T_Kind::Removed:
        return QColor(0xE0, 0x1B, 0x24);
    case T_Change_Region::T_Kind::Added:
        return QColor(0x1F, 0xA0, 0x30);
    case T_Change_Region::T_Kind::Moved:
        return QColor(0x1C, 0x71, 0xD8);
    case T_Change_Region::T_Kind::Changed:
        break;
    }
    return QColor(0xE0, 0x90, 0x00);
}

} // namespace

void TView_diff_frame::Build_Difference_Controls(QVBoxLayout* Layout)
{
    // A row of its own under the View row: together they would not fit the
    // width of a laptop's screen.
    ToolBar3 = new QToolBar(QStringLiteral("Changes"), this);
    ToolBar3->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar3->setMovable(false);
    Layout->insertWidget(Layout->indexOf(ToolBar2) + 1, ToolBar3);
    Tolerance_E = new QSpinBox(ToolBar3);
    Tolerance_E->setRange(0, 100);
    Tolerance_E->setValue(T_Difference_Options().Tolerance);
    Tolerance_E->setPrefix(QStringLiteral("Tolerance "));
    Tolerance_E->setToolTip(
        QStringLiteral("How far colours may differ and still count as the same (0 to 100)"));
    connect(Tolerance_E, &QSpinBox::valueChanged, this, [this] { Refresh_Differences(); });
    ToolBar3->addWidget(Tolerance_E);
    Ignore_Antialiasing_C = new QCheckBox(QStringLiteral("Ignore anti-aliasing"), ToolBar3);
    Ignore_Antialiasing_C->setChecked(true);
    Ignore_Antialiasing_C->setToolTip(
        QStringLiteral("Edge pixels of re-rendered lines and text do not count as changes"));
    connect(Ignore_Antialiasing_C, &QCheckBox::toggled, this, [this] { Refresh_Differences(); });
    ToolBar3->addWidget(Ignore_Antialiasing_C);
    Show_Changes_C = new QCheckBox(QStringLiteral("Show changes"), ToolBar3);
    Show_Changes_C->setToolTip(QStringLiteral("Outline every change in every pane (C)"));
    connect(Show_Changes_C, &QCheckBox::toggled, this, [this] { Show_Change_Frames(); });
    ToolBar3->addWidget(Show_Changes_C);
    ToolBar3->addSeparator();
    auto add = [this](const QString& caption, const QString& keys, auto handler) {
        QAction* action = ToolBar3->addAction(caption);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(caption, keys));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    Previous_Change_A = add(QStringLiteral("Previous change"), QStringLiteral("Shift+F8 or P"),
                            [this] { Step_Change(-1); });
    Next_Change_A =
        add(QStringLiteral("Next change"), QStringLiteral("F8 or N"), [this] { Step_Change(1); });
    Previous_Change_A->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));
    Next_Change_A->setShortcut(QKeySequence(Qt::Key_F8));
    // The keys work wherever the focus is in this view, the pictures
    // included; on the toolbar alone they would reach only its own buttons.
    for (QAction* action : {Previous_Change_A, Next_Change_A}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    Difference_Task = std::make_unique<T_Difference_Task>(
        this, [this](std::shared_ptr<const T_Difference> result) { Differences_Ready(result); });
}

bool TView_diff_frame::Differences_Wanted() const
{
    // Always: they cost a fraction of a second off the interface's thread,
    // and stepping through the changes or the page pairs' counts need them
    // before anybody asks for the Differences view.
    return ViewMode_ != T_View_Mode::None;
}

void TView_diff_frame::Refresh_Differences()
{
    if (!Difference_Task)
        return;
    // What was known belongs to other pictures or settings now.
    Difference_.reset();
    Current_Change_ = -1;
    if (View_Image_Frame4->Blend())
        View_Image_Frame4->Blend()->Set_Difference(nullptr);
    Show_Change_Frames();
    if (!Differences_Wanted() || !View_Image_Frame1->Image1 || !View_Image_Frame2->Image1)
        return;
    T_Difference_Options options;
    options.Tolerance = Tolerance_E->value();
    options.Ignore_Antialiasing = Ignore_Antialiasing_C->isChecked();
    options.Offset_X = Offset_.x();
    options.Offset_Y = Offset_.y();
    Difference_Task->Request(View_Image_Frame1->Image1->Picture(),
                             View_Image_Frame2->Image1->Picture(), options);
    Update_Status();
}

void TView_diff_frame::Differences_Ready(std::shared_ptr<const T_Difference> Result)
{
    Difference_ = std::move(Result);
    if (Session_->Is_Paged())
        Session_->Record_Changes(Session_->LeftPage, Session_->RightPage,
                                 int(Difference_->Regions.size()));
    if (View_Image_Frame4->Blend())
        View_Image_Frame4->Blend()->Set_Difference(Difference_);
    Show_Change_Frames();
    Update_Status();
}

void TView_diff_frame::Show_Change_Frames()
{
    const bool shown = Difference_ && Show_Changes_C && Show_Changes_C->isChecked();
    // Regions are in the base's pixels; the modified pane shows its own.
    auto frames = [&](QPoint shift) {
        std::vector<T_Change_Frame> list;
        if (!shown)
            return list;
        for (std::size_t index = 0; index < Difference_->Regions.size(); ++index) {
            const T_Change_Region& region = Difference_->Regions[index];
            T_Change_Frame frame;
            frame.Box = QRect(region.Left + Difference_->Left, region.Top + Difference_->Top,
                              region.Width, region.Height)
                            .translated(-shift);
            frame.Colour = Region_Colour(region.Kind);
            frame.Current = int(index) == Current_Change_;
            if (region.Kind == T_Change_Region::T_Kind::Moved) {
                frame.Moved = true;
                // The box spans both places; the shape is the box less the
                // way it went.
                const QSizeF shape(region.Width - std::abs(region.Dx),
                                   region.Height - std::abs(region.Dy));
                frame.Moved_From = QPointF(frame.Box.topLeft()) +
                                   QPointF(std::max(0, -region.Dx), std::max(0, -region.Dy)) +
                                   QPointF(shape.width() / 2, shape.height() / 2);
                frame.Moved_To = frame.Moved_From + QPointF(region.Dx, region.Dy);
            }
            list.push_back(frame);
        }
        return list;
    };
    for (TView_Image_Frame* pane :
         {View_Image_Frame1, View_Image_Frame3, static_cast<TView_Image_Frame*>(View_Image_Frame4)})
        if (pane->Image1)
            pane->Image1->Set_Change_Frames(frames(QPoint()));
    if (View_Image_Frame2->Image1)
        View_Image_Frame2->Image1->Set_Change_Frames(frames(Offset_));
}

void TView_diff_frame::Step_Change(int Direction)
{
    // Asked before they are known: the step waits for the next press.
    if (!Difference_)
        return;
    const int count = int(Difference_->Regions.size());
    if (count == 0) {
        Update_Status();
        return;
    }
    Current_Change_ = Current_Change_ < 0 ? (Direction > 0 ? 0 : count - 1)
                                          : (Current_Change_ + Direction + count) % count;
    Show_Change_Frames();
    Reveal_Change();
    Update_Status();
}

void TView_diff_frame::Reveal_Change()
{
    TView_Image_Frame* pane = Main_Pane();
    if (!pane || !pane->ScrollBox1 || Current_Change_ < 0)
        return;
    const T_Change_Region& region = Difference_->Regions[std::size_t(Current_Change_)];
    const QSize view = pane->ScrollBox1->viewport()->size();
    // Zoom out until the region and its margin fit; never zoom in for it.
    double zoom = ViewMode_ == T_View_Mode::Fit ? Current_Scale() : Synchronizer->Zoom();
    while (zoom > Min_Zoom && (region.Width * zoom + 2 * Reveal_Margin > view.width() ||
                               region.Height * zoom + 2 * Reveal_Margin > view.height()))
        zoom = Zoomed_Out(zoom);
    if (ViewMode_ == T_View_Mode::Fit)
        Fit_AExecute();
    // The region's centre, in the pane's content pixels.
    QPointF centre(region.Left + Difference_->Left + region.Width / 2.0,
                   region.Top + Difference_->Top + region.Height / 2.0);
    if (pane == View_Image_Frame2)
        centre -= Offset_;
    const QPointF content = centre - pane->Image1->Content_Rect().topLeft();
    Synchronizer->Zoom_Keeping(zoom, pane, content, QPoint(view.width() / 2, view.height() / 2));
}

QString TView_diff_frame::Change_Status() const
{
    if (!Difference_)
        return QStringLiteral("Finding differences...");
    if (Difference_->Changed_Pixels == 0)
        return QStringLiteral("No differences");
    const QLocale locale(QLocale::English);
    QString amount = QStringLiteral("%1 px, %2 %")
                         .arg(locale.toString(qulonglong(Difference_->Changed_Pixels)))
                         .arg(locale.toString(Difference_->Changed_Share() * 100, 'f', 2));
    const int count = int(Difference_->Regions.size());
    if (Current_Change_ < 0)
        return QStringLiteral("%1 changes, %2").arg(count).arg(amount);
    return QStringLiteral("Change %1 of %2, %3").arg(Current_Change_ + 1).arg(count).arg(amount);
}
