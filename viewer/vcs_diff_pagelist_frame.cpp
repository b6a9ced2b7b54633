#include "viewer/vcs_diff_pagelist_frame.h"

#include "viewer/page_tab_bar.h"

#include <QStringList>
#include <QVBoxLayout>

TDiff_Pagelist_Frame::TDiff_Pagelist_Frame(QWidget* parent) : QWidget(parent)
{
    resize(364, 23);
    // Single line of tabs; when they do not fit, arrow buttons scroll them.
    TabControl1 = new T_Page_Tab_Bar(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TabControl1);
    // The tabs scroll when they do not fit, so their full width must not
    // widen the pane that holds the strip.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    TabControl1->On_Current_Changed = [this](int) {
        if (!Selecting_From_Code)
            Page_ListBoxClick();
    };
}

void TDiff_Pagelist_Frame::Select_Tab_Silently(int Index)
{
    // The tab row announces every change of the current tab, also one made by
    // code (and the first tab added to an empty bar); those are not user
    // choices and must not reach the owner here.
    const bool was = Selecting_From_Code;
    Selecting_From_Code = true;
    TabControl1->setCurrentIndex(Index);
    Selecting_From_Code = was;
}

void TDiff_Pagelist_Frame::Fill_Pages(const T_Page_List& Pages)
{
    setVisible(true);
    const bool was = Selecting_From_Code;
    Selecting_From_Code = true;
    QStringList names;
    names.reserve(Pages.Count());
    for (int i = 0; i < Pages.Count(); ++i)
        names.push_back(QString::fromStdString(Pages[i].Name));
    TabControl1->Append_Tabs(names);
    Selecting_From_Code = was;
    updateGeometry();
    Last_Reported = 0;
    Pages_ = Pages;
    if (TabControl1->count() > 0)
        Select_Tab_Silently(0);
}

std::int32_t TDiff_Pagelist_Frame::Selected_Index() const { return TabControl1->currentIndex(); }

void TDiff_Pagelist_Frame::Page_ListBoxClick()
{
    const std::int32_t selected = TabControl1->currentIndex();
    if (selected == Last_Reported)
        return;
    Last_Reported = selected;
    if (On_Page_Change)
        On_Page_Change(selected);
}

void TDiff_Pagelist_Frame::Select_Index(std::int32_t Index)
{
    if (Index < 0 || Index == TabControl1->currentIndex())
        return;
    if (Index >= TabControl1->count())
        return;
    Select_Tab_Silently(Index);
    Page_ListBoxClick();
}

void TDiff_Pagelist_Frame::Select_Page_ID(std::int32_t Page_ID)
{
    // Hold the list while walking it: a callback may refill another strip but
    // must not pull this list away under the loop.
    const T_Page_List pages = Pages_;
    for (int j = 0; j < pages.Count(); ++j)
        if (pages[j].ID == Page_ID)
            Select_Index(j);
}
