#include "viewer/page_switch.h"

#include "pdf/document_worker.h"

T_Page_Switch::T_Page_Switch(QObject* Receiver, T_Comparison_Model& Model,
                             std::function<void(T_Drawn_Pages)> Shown)
    : Model_(Model), Task_(Receiver, std::move(Shown))
{
}

void T_Page_Switch::Request(int Left_Page, int Right_Page)
{
    // The page being drawn ahead stops after its call under way.
    Model_.Stop_Drawing_Ahead();
    Task_.Start([&model = Model_, Left_Page, Right_Page](const T_Cancel_Flag& Cancel) {
        // The pages on screen go first; once overtaken by a newer switch,
        // what this one has not started is not drawn.
        const T_Document_Call_Scope scope(T_Document_Priority::Visible_Pair, &Cancel.Flag());
        return model.Draw_Pages(Left_Page, Right_Page, &Cancel.Flag());
    });
}

QImage Page_Placeholder(const T_Diff_Session& Session, T_Side Side, int Page, const QSize& Fallback)
{
    const T_Page_List pages = Session.Pages(Side);
    QSize size = Fallback;
    if (pages.Is_Valid_Index(Page) && pages[Page].Width > 0 && pages[Page].Height > 0)
        size = QSize(pages[Page].Width, pages[Page].Height);
    if (size.isEmpty())
        return {};
    QImage sheet(size, QImage::Format_RGB32);
    sheet.fill(QColor(0xE4, 0xE4, 0xE4));
    return sheet;
}
