#include "viewer/change_list_text.h"

#include "viewer/change_list.h"
#include "viewer/change_list_rows.h"
#include "session/comparison_model.h"
#include "pdf/document_worker.h"

#include <QTreeWidget>

namespace {

constexpr int Old_Column = int(T_Change_Column::Old_Text);
constexpr int New_Column = int(T_Change_Column::New_Text);

const QString No_Text_Layer = QStringLiteral("No text layer");

// A side without a text layer (a scan, or text drawn as curves) says so in
// its column's title, so that empty cells are not read as "no text here".
void Title_Columns(QTreeWidget& Rows, const T_Page_Pair_Text* Text)
{
    QTreeWidgetItem* header = Rows.headerItem();
    const bool old_missing = Text && !Text->Old_Has_Text;
    const bool new_missing = Text && !Text->New_Has_Text;
    header->setText(Old_Column, old_missing ? QStringLiteral("Old text: ") + No_Text_Layer
                                            : Change_Column_Title(T_Change_Column::Old_Text));
    header->setText(New_Column, new_missing ? QStringLiteral("New text: ") + No_Text_Layer
                                            : Change_Column_Title(T_Change_Column::New_Text));
    const QString missing =
        QStringLiteral("%1 has no text layer (a scanned page, or text drawn as shapes): "
                       "its text cannot be read.");
    header->setToolTip(Old_Column, old_missing ? missing.arg(QStringLiteral("The old page"))
                                               : QStringLiteral("Text in the region, old page"));
    header->setToolTip(New_Column, new_missing ? missing.arg(QStringLiteral("The new page"))
                                               : QStringLiteral("Text in the region, new page"));
}

} // namespace

QString Region_Text_Tip(const T_Region_Text& Text)
{
    auto shown = [](const std::string& text) {
        return text.empty() ? QStringLiteral("(none)") : QString::fromStdString(text);
    };
    QString tip = QStringLiteral("Old text: %1\nNew text: %2")
                      .arg(shown(Text.Old_Text), shown(Text.New_Text));
    // A change in a reviewer's mark or a form field names that annotation.
    if (!Text.Annotations.empty())
        tip += QStringLiteral("\nAnnotations: %1").arg(QString::fromStdString(Text.Annotations));
    return tip;
}

struct T_Change_List_Text::T_Layers {
    std::mutex Lock;
    std::unique_ptr<T_Pdf_Text_Layer> Sides[2];
};

T_Change_List_Text::T_Change_List_Text(QObject* Receiver, T_Delivered Delivered)
    : Layers_(std::make_shared<T_Layers>()), Task_(Receiver, std::move(Delivered))
{
}

T_Change_List_Text::~T_Change_List_Text() = default;

bool T_Change_List_Text::Has_Text(const T_Comparison_Model& Model)
{
    const T_Diff_Session& session = Model.Session();
    return !Model.Missing(T_Side::Left) && !Model.Missing(T_Side::Right) &&
           !session.Text_Layer_File(T_Side::Left).empty() &&
           !session.Text_Layer_File(T_Side::Right).empty();
}

void T_Change_List_Text::Request(const T_Comparison_Model& Model,
                                 std::shared_ptr<const T_Difference> Difference, QPoint Offset)
{
    if (!Difference || !Has_Text(Model)) {
        Task_.Start([](const T_Cancel_Flag&) { return T_Text(); });
        return;
    }
    // Everything the reading needs is taken here: the model is the window's.
    const T_Diff_Session& session = Model.Session();
    const std::string files[2] = {session.Text_Layer_File(T_Side::Left),
                                  session.Text_Layer_File(T_Side::Right)};
    const int pages[2] = {session.Page(T_Side::Left), session.Page(T_Side::Right)};
    Task_.Start([layers = Layers_, left_file = files[0], right_file = files[1],
                 left_page = pages[0], right_page = pages[1], difference = std::move(Difference),
                 Offset](const T_Cancel_Flag&) {
        // After the pages shown, before everything else.
        const T_Document_Call_Scope scope(T_Document_Priority::Visible_Text);
        const std::lock_guard<std::mutex> lock(layers->Lock);
        const std::string* side_files[2] = {&left_file, &right_file};
        for (int side = 0; side < 2; ++side)
            if (!layers->Sides[side] || layers->Sides[side]->File() != *side_files[side])
                layers->Sides[side] = std::make_unique<T_Pdf_Text_Layer>(*side_files[side]);
        // The modified page lies at Offset in the base's pixels.
        const T_To_New_Page to_new = [Offset](const T_Rectangle& box) {
            return T_Rectangle{box.Left - Offset.x(), box.Top - Offset.y(), box.Width, box.Height};
        };
        return T_Text(std::make_shared<const T_Page_Pair_Text>(
            Page_Pair_Text(layers->Sides[0]->Words(left_page), layers->Sides[1]->Words(right_page),
                           *difference, to_new)));
    });
}

QString Reading_Text_Placeholder() { return QStringLiteral("reading text ..."); }

namespace {

// Each row of the list, changes' rows and their regions' rows alike.
template <class T_Visit> void For_Each_Row(QTreeWidget& Rows, T_Visit Visit)
{
    for (int at = 0; at < Rows.topLevelItemCount(); ++at) {
        QTreeWidgetItem* row = Rows.topLevelItem(at);
        Visit(row);
        for (int child = 0; child < row->childCount(); ++child)
            Visit(row->child(child));
    }
}

// The text of a row: of its change (regions grouped into one edit), or of
// its region; null when there is none.
const T_Region_Text* Text_Of(const QTreeWidgetItem* Row, const T_Page_Pair_Text& Text)
{
    const int change = T_Change_List::Change_Of(Row);
    if (change >= 0)
        return std::size_t(change) < Text.Changes.size() ? &Text.Changes[std::size_t(change)]
                                                         : nullptr;
    const int region = T_Change_List::Region_Of(Row);
    return region >= 0 && std::size_t(region) < Text.Regions.size()
               ? &Text.Regions[std::size_t(region)]
               : nullptr;
}

} // namespace

void Show_Texts_Being_Read(QTreeWidget& Rows)
{
    Rows.setColumnHidden(Old_Column, false);
    Rows.setColumnHidden(New_Column, false);
    Title_Columns(Rows, nullptr);
    For_Each_Row(Rows, [](QTreeWidgetItem* row) {
        row->setText(Old_Column, Reading_Text_Placeholder());
        row->setText(New_Column, Reading_Text_Placeholder());
    });
}

void Show_Region_Texts(QTreeWidget& Rows, const T_Page_Pair_Text* Text)
{
    Rows.setColumnHidden(Old_Column, !Text);
    Rows.setColumnHidden(New_Column, !Text);
    Title_Columns(Rows, Text);
    if (!Text)
        return;
    For_Each_Row(Rows, [&](QTreeWidgetItem* row) {
        const T_Region_Text* text = Text_Of(row, *Text);
        if (!text) {
            row->setText(Old_Column, QString());
            row->setText(New_Column, QString());
            // Pages without any text layer: the tooltip says why the
            // columns are empty.
            if (!Text->Available())
                for (int column = 0; column < Rows.columnCount(); ++column)
                    row->setToolTip(column, No_Text_Layer);
            return;
        }
        row->setText(Old_Column, QString::fromStdString(text->Old_Text));
        row->setText(New_Column, QString::fromStdString(text->New_Text));
        // The list sorts by its sort role (Qt::UserRole + 1, see
        // change_list.cpp): texts sort as texts.
        row->setData(Old_Column, Qt::UserRole + 1, row->text(Old_Column));
        row->setData(New_Column, Qt::UserRole + 1, row->text(New_Column));
        // The whole text, however narrow its cell.
        for (int column = 0; column < Rows.columnCount(); ++column)
            row->setToolTip(column, Region_Text_Tip(*text));
    });
}
