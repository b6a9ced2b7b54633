#include "page_tab_bar.h"

#include <QCoreApplication>
#include <QEvent>

void T_Page_Tab_Bar::Begin_Batch()
{
    In_Batch = true;
    Measured.clear();
    // Hidden, the bar does not repaint or tell its layout about each tab.
    Was_Hidden = isHidden();
    setUpdatesEnabled(false);
    hide();
}

void T_Page_Tab_Bar::End_Batch()
{
    In_Batch = false;
    Measured.clear();
    setVisible(!Was_Hidden);
    setUpdatesEnabled(true);
    // Tab sizes measured during the batch may be stale (an icon set later);
    // the bar measures and lays out its tabs anew after a change of font.
    QEvent remeasure(QEvent::FontChange);
    QCoreApplication::sendEvent(this, &remeasure);
    updateGeometry();
}

QSize T_Page_Tab_Bar::tabSizeHint(int index) const
{
    if (!In_Batch || index < 0)
        return QTabBar::tabSizeHint(index);
    const auto at = static_cast<std::size_t>(index);
    // Tabs are added at the end, so a measured tab keeps its index.
    if (Measured.size() < static_cast<std::size_t>(count()))
        Measured.resize(static_cast<std::size_t>(count()));
    if (!Measured[at].isValid())
        Measured[at] = QTabBar::tabSizeHint(index);
    return Measured[at];
}
