#include "pdf/page_pair_text.h"

#include "pdf/annotation_changes.h"

#include <algorithm>

namespace {

// A moved text is looked for within this many region sizes around the
// region, and at least this far (an inch at 150 dpi and more), since a word
// is small beside how far it is usually moved.
constexpr int Search_Region_Sizes = 4;
constexpr int Search_Least_Pixels = 300;

T_Rectangle Grown(const T_Rectangle& Box)
{
    const int margin =
        std::max(Search_Least_Pixels, Search_Region_Sizes * std::max(Box.Width, Box.Height));
    return {Box.Left - margin, Box.Top - margin, Box.Width + 2 * margin, Box.Height + 2 * margin};
}

bool Meets(const T_Page_Word& Word, const T_Rectangle& Box)
{
    return !(Word.Right < Box.Left || Word.Left > Box.Left + Box.Width || Word.Bottom < Box.Top ||
             Word.Top > Box.Top + Box.Height);
}

// Text, as whole words in their order, lies on Page near Box but outside it.
bool Found_Elsewhere_Near(const std::string& Text, const T_Page_Words& Page, const T_Rectangle& Box)
{
    if (Text.empty())
        return false;
    const T_Rectangle near = Grown(Box);
    std::string around = " ";
    for (const T_Page_Word& word : Page.Words)
        if (Meets(word, near) && !Meets(word, Box))
            around += word.Text + " ";
    return around.find(" " + Text + " ") != std::string::npos;
}

} // namespace

const char* Text_Change_Word(T_Text_Change Change)
{
    switch (Change) {
    case T_Text_Change::Same:
        return "same";
    case T_Text_Change::Changed:
        return "changed";
    case T_Text_Change::Moved:
        return "moved";
    case T_Text_Change::None:
        break;
    }
    return "none";
}

T_Text_Change Classify_Text_Change(const T_Region_Text& Texts, const T_Page_Words& Old_Page,
                                   const T_Rectangle& In_Old, const T_Page_Words& New_Page,
                                   const T_Rectangle& In_New, bool Region_Moved)
{
    if (Texts.Old_Text.empty() && Texts.New_Text.empty())
        return T_Text_Change::None;
    // A shape found moved within one region holds the same text on both
    // sides, at two places.
    if (Texts.Old_Text == Texts.New_Text)
        return Region_Moved ? T_Text_Change::Moved : T_Text_Change::Same;
    // The text left the region on one side and stands nearby on the other:
    // a text moved, seen as one region where it was and one where it is.
    if (Found_Elsewhere_Near(Texts.Old_Text, New_Page, In_New) ||
        Found_Elsewhere_Near(Texts.New_Text, Old_Page, In_Old))
        return T_Text_Change::Moved;
    return T_Text_Change::Changed;
}

T_Page_Pair_Text Page_Pair_Text(const T_Page_Words& Old_Page, const T_Page_Words& New_Page,
                                const T_Difference& Difference, const T_To_New_Page& To_New)
{
    T_Page_Pair_Text text;
    text.Old_Has_Text = Old_Page.Has_Text_Layer;
    text.New_Has_Text = New_Page.Has_Text_Layer;
    text.Has_Annotations = !Old_Page.Annotations.empty() || !New_Page.Annotations.empty();
    if (!text.Available())
        return text;
    for (const T_Change_Region& region : Difference.Regions) {
        const T_Rectangle in_old{region.Left + Difference.Left, region.Top + Difference.Top,
                                 region.Width, region.Height};
        const T_Rectangle in_new = To_New ? To_New(in_old) : in_old;
        T_Region_Text texts{Text_In(Old_Page, in_old), Text_In(New_Page, in_new)};
        texts.Change = Classify_Text_Change(texts, Old_Page, in_old, New_Page, in_new,
                                            region.Kind == T_Change_Region::T_Kind::Moved);
        if (text.Has_Annotations)
            texts.Annotations =
                Annotation_Changes(Old_Page.Annotations, in_old, New_Page.Annotations, in_new);
        text.Regions.push_back(std::move(texts));
    }
    for (const T_Change& change : Difference.Changes) {
        const T_Rectangle in_old{change.Old_Box.Left + Difference.Left,
                                 change.Old_Box.Top + Difference.Top, change.Old_Box.Width,
                                 change.Old_Box.Height};
        const T_Rectangle moved{change.New_Box.Left + Difference.Left,
                                change.New_Box.Top + Difference.Top, change.New_Box.Width,
                                change.New_Box.Height};
        const T_Rectangle in_new = To_New ? To_New(moved) : moved;
        // An added change has nothing on the old side, a removed one nothing
        // on the new side, whatever text lies around it.
        T_Region_Text texts{change.Kind == T_Change::T_Kind::Added ? "" : Text_In(Old_Page, in_old),
                            change.Kind == T_Change::T_Kind::Removed ? ""
                                                                     : Text_In(New_Page, in_new)};
        texts.Change =
            Classify_Text_Change(texts, Old_Page, in_old, New_Page, in_new, change.Is_Move());
        text.Changes.push_back(std::move(texts));
    }
    return text;
}
