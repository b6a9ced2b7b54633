#include "viewer/page_indicator.h"

#include "session/comparison_model.h"
#include "viewer/current_change.h"
#include "viewer/pane_grid.h"
#include "viewer/u_blend_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

const QString Indicator_Name = QStringLiteral("Page_Indicator_L");

QString Side_Text(const QString& Side, const T_Side_Page& Place)
{
    if (Place.Count <= 0)
        return QStringLiteral("no %1 version").arg(Side.toLower());
    QString text =
        QStringLiteral("%1 page %2 of %3").arg(Side).arg(Place.Page + 1).arg(Place.Count);
    const QString name = QString::fromStdString(Place.Name);
    if (!name.isEmpty() && name != QString::number(Place.Page + 1))
        text += QStringLiteral(" (%1)").arg(name);
    return text;
}

// Says again where both sides are whenever the one-pane view is shown and
// whenever the differences may have changed, which every page switch
// (a tab, a key, Sync pages) asks for again.
class T_Page_Indicator : public QObject {
public:
    T_Page_Indicator(const T_Diff_View_Context& View, T_Blend_Frame& Pane)
        : QObject(&View.View), View(View), Pane(&Pane)
    {
        Pane.installEventFilter(this);
        View.Current.Add_Listener(this, [this] { Refresh(); });
    }

    void Refresh()
    {
        if (!Pane || !Pane->Caption_E || View.Panes.View_Mode() == T_View_Mode::None)
            return;
        QLabel* line = Line();
        const QString text =
            Page_Indicator_Text(Place(T_Side::Left, "LeftTabs"), Place(T_Side::Right, "RightTabs"));
        if (line->text() != text)
            line->setText(text);
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched == Pane && Event->type() == QEvent::Show)
            Refresh();
        return QObject::eventFilter(Watched, Event);
    }

private:
    // The label under the pane's caption, made once the pane has its
    // controls (when a one-pane view is first chosen).
    QLabel* Line()
    {
        if (auto* line = Pane->findChild<QLabel*>(Indicator_Name, Qt::FindDirectChildrenOnly))
            return line;
        auto* line = new QLabel(Pane);
        line->setObjectName(Indicator_Name);
        line->setTextFormat(Qt::PlainText);
        line->setContentsMargins(4, 1, 4, 1);
        if (auto* layout = qobject_cast<QBoxLayout*>(Pane->layout()))
            layout->insertWidget(layout->indexOf(Pane->Caption_E) + 1, line);
        // Made while the pane shows: a new child is hidden until told.
        line->show();
        return line;
    }

    T_Side_Page Place(T_Side Side, const char* Tabs_Name) const
    {
        auto* tabs = View.View.findChild<TDiff_Pagelist_Frame*>(QString::fromLatin1(Tabs_Name));
        if (!tabs || View.Model.Missing(Side))
            return {};
        const T_Page_List& pages = tabs->Page_List();
        const int page = View.Model.Session().Page(Side);
        return {page, pages.Count(), pages.Is_Valid_Index(page) ? pages[page].Name : std::string()};
    }

    T_Diff_View_Context View;
    QPointer<T_Blend_Frame> Pane;
};

} // namespace

QString Page_Indicator_Text(const T_Side_Page& Base, const T_Side_Page& Modified)
{
    return Side_Text(QStringLiteral("Base"), Base) + QStringLiteral("   |   ") +
           Side_Text(QStringLiteral("Modified"), Modified);
}

QLabel* Add_Page_Indicator(const T_Diff_View_Context& View)
{
    auto* pane = View.View.findChild<T_Blend_Frame*>(QStringLiteral("View_Image_Frame4"));
    if (!pane || View.Panes.View_Mode() == T_View_Mode::None || !View.Model.Session().Is_Paged())
        return nullptr;
    auto* indicator = new T_Page_Indicator(View, *pane);
    indicator->Refresh();
    return pane->findChild<QLabel*>(Indicator_Name, Qt::FindDirectChildrenOnly);
}
