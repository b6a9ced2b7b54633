#include "viewer/diff_keyboard_access.h"

#include "viewer/vcs_diff_pagelist_frame.h"
#include "viewer/vcs_view_image_frame.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

#include <utility>
#include <vector>

namespace {

template <class T> T* Named(QWidget* View, const char* Name)
{
    return View->findChild<T*>(QString::fromLatin1(Name));
}

// The controls of a toolbar row from left to right. Its buttons become
// reachable with Tab; a click still leaves the focus where it was, so the
// pictures keep their keys.
void Add_Row(QWidget* View, const char* Name, std::vector<QWidget*>& Order)
{
    auto* row = Named<QToolBar>(View, Name);
    if (!row)
        return;
    for (QAction* action : row->actions()) {
        QWidget* control = action->isSeparator() ? nullptr : row->widgetForAction(action);
        if (!control)
            continue;
        if (auto* button = qobject_cast<QToolButton*>(control))
            button->setFocusPolicy(Qt::TabFocus);
        Order.push_back(control);
    }
}

void Name_Control(QWidget* View, const char* Name, const QString& Accessible_Name)
{
    if (auto* control = Named<QWidget>(View, Name))
        control->setAccessibleName(Accessible_Name);
}

} // namespace

void Make_Diff_View_Accessible(QWidget* View)
{
    std::vector<QWidget*> order;
    for (const char* row : {"ToolBar1", "ToolBar2", "ToolBar3"})
        Add_Row(View, row, order);

    Name_Control(View, "ToolBar1", QStringLiteral("Toolbar"));
    Name_Control(View, "ToolBar2", QStringLiteral("View"));
    Name_Control(View, "ToolBar3", QStringLiteral("Changes"));
    Name_Control(View, "Shave_E", QStringLiteral("Trim compared"));
    Name_Control(View, "Tolerance_E", QStringLiteral("Tolerance"));
    Name_Control(View, "Blink_Interval_E", QStringLiteral("Blink interval"));
    Name_Control(View, "Opacity_S", QStringLiteral("Overlay opacity"));
    Name_Control(View, "Status_L", QStringLiteral("Status"));

    // Reading order below the rows: each version's pane with its page tabs,
    // the pane of the one-pane views that takes their place, then the
    // compared image.
    const std::pair<const char*, const char*> panes[] = {{"View_Image_Frame1", "LeftTabs"},
                                                         {"View_Image_Frame2", "RightTabs"},
                                                         {"View_Image_Frame4", nullptr},
                                                         {"View_Image_Frame3", nullptr}};
    const QString pane_names[] = {
        QStringLiteral("Base version pane"), QStringLiteral("Modified version pane"),
        QStringLiteral("Overlay pane"), QStringLiteral("Compared image pane")};
    const QString tab_names[] = {QStringLiteral("Base version pages"),
                                 QStringLiteral("Modified version pages")};
    for (int i = 0; i < 4; ++i) {
        auto* pane = dynamic_cast<TView_Image_Frame*>(Named<QWidget>(View, panes[i].first));
        if (!pane)
            continue;
        pane->setAccessibleName(pane_names[i]);
        // The one-pane view draws itself and takes the focus as a whole.
        QWidget* focus_target = pane->ScrollBox1 ? static_cast<QWidget*>(pane->ScrollBox1) : pane;
        focus_target->setAccessibleName(pane_names[i]);
        order.push_back(focus_target);
        auto* tabs = panes[i].second ? Named<TDiff_Pagelist_Frame>(View, panes[i].second) : nullptr;
        if (!tabs)
            continue;
        tabs->setAccessibleName(tab_names[i]);
        tabs->TabControl1->setAccessibleName(tab_names[i]);
        order.push_back(tabs->TabControl1);
    }
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
