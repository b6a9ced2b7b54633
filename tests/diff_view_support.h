// Finds the controls of a diff view by their object names, so the tests
// drive the view as a user does: through its actions, fields and panes.
// A control that should be there and is not fails the test that asked.
#pragma once

#include "viewer/u_blend_frame.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"
#include "viewer/vcs_view_image_frame.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <stdexcept>
#include <string>

namespace test {

// The child of view named name, of type T; throws when there is none.
template <class T> T* Find(const QWidget& view, const char* name)
{
    T* found = view.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::logic_error(std::string("the view has no control named ") + name);
    return found;
}

inline QAction* Find_Action(const QWidget& view, const char* name)
{
    return Find<QAction>(view, name);
}

// A picture pane: View_Image_Frame1 (base), 2 (modified), 3 (compared).
inline TView_Image_Frame* Find_Pane(const QWidget& view, const char* name)
{
    auto* pane = dynamic_cast<TView_Image_Frame*>(Find<QWidget>(view, name));
    if (!pane)
        throw std::logic_error(std::string(name) + " is not a picture pane");
    return pane;
}

// The pane of the one-pane views.
inline T_Blend_Frame* Find_Blend_Pane(const QWidget& view)
{
    auto* pane = dynamic_cast<T_Blend_Frame*>(Find_Pane(view, "View_Image_Frame4"));
    if (!pane)
        throw std::logic_error("View_Image_Frame4 is not the one-pane view");
    return pane;
}

// A page tab strip, LeftTabs or RightTabs; null for a pair without pages.
inline TDiff_Pagelist_Frame* Find_Tabs(const QWidget& view, const char* name)
{
    return dynamic_cast<TDiff_Pagelist_Frame*>(view.findChild<QWidget*>(QString::fromLatin1(name)));
}

// Lets the view's events run until a page switch it is drawing is shown
// (pages are drawn off the window's thread); at most Limit_Ms.
inline void Wait_For_Pages(const TView_diff_frame& view, int Limit_Ms = 30000)
{
    QElapsedTimer waited;
    waited.start();
    while (view.Drawing_Pages() && waited.elapsed() < Limit_Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Chooses a page on a tab strip (LeftTabs or RightTabs) as a click does and
// waits until the view shows it.
inline void Choose_Page(TView_diff_frame& view, const char* tabs, int index)
{
    Find_Tabs(view, tabs)->TabControl1->setCurrentIndex(index);
    Wait_For_Pages(view);
}

} // namespace test
