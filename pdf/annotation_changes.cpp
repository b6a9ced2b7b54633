#include "pdf/annotation_changes.h"

#include <cmath>

namespace {

// Boxes this close are the same place: a rewrite rounds coordinates.
constexpr double Same_Place_Pixels = 3;

bool Meets(const T_Page_Annotation& Annotation, const T_Rectangle& Box)
{
    return !(Annotation.Right < Box.Left || Annotation.Left > Box.Left + Box.Width ||
             Annotation.Bottom < Box.Top || Annotation.Top > Box.Top + Box.Height);
}

bool Same_Place(const T_Page_Annotation& A, const T_Page_Annotation& B)
{
    return std::abs(A.Left - B.Left) <= Same_Place_Pixels &&
           std::abs(A.Top - B.Top) <= Same_Place_Pixels &&
           std::abs(A.Right - B.Right) <= Same_Place_Pixels &&
           std::abs(A.Bottom - B.Bottom) <= Same_Place_Pixels;
}

bool Same_Kind(const T_Page_Annotation& A, const T_Page_Annotation& B)
{
    return A.Kind == B.Kind && A.Name == B.Name;
}

// A text of one word stands as it is (a stamp's "APPROVED"); others quoted.
std::string Shown_Text(const std::string& Text)
{
    return Text.find(' ') == std::string::npos ? Text : "\"" + Text + "\"";
}

std::string Named(const T_Page_Annotation& Annotation)
{
    std::string named = Annotation.Kind;
    if (!Annotation.Name.empty())
        named += " " + Shown_Text(Annotation.Name);
    if (!Annotation.Text.empty())
        named += " " + Shown_Text(Annotation.Text);
    return named;
}

std::string Text_Change(const T_Page_Annotation& Old, const T_Page_Annotation& New)
{
    std::string named = Old.Kind + (Old.Name.empty() ? "" : " " + Shown_Text(Old.Name));
    auto quoted = [](const std::string& Text) { return "\"" + Text + "\""; };
    return named + " " + quoted(Old.Text) + " -> " + quoted(New.Text);
}

} // namespace

std::string Annotation_Changes(const std::vector<T_Page_Annotation>& Old, const T_Rectangle& In_Old,
                               const std::vector<T_Page_Annotation>& New, const T_Rectangle& In_New)
{
    std::vector<bool> new_taken(New.size(), false);
    std::vector<std::string> changes;
    std::vector<std::size_t> old_left;
    // Unchanged annotations first, so that one of two alike stamps removed
    // is not taken for the other changed.
    for (std::size_t o = 0; o < Old.size(); ++o) {
        bool found = false;
        for (std::size_t n = 0; n < New.size() && !found; ++n)
            if (!new_taken[n] && Same_Kind(Old[o], New[n]) && Old[o].Text == New[n].Text &&
                Same_Place(Old[o], New[n]))
                new_taken[n] = found = true;
        if (!found)
            old_left.push_back(o);
    }
    for (std::size_t o : old_left) {
        bool found = false;
        for (std::size_t n = 0; n < New.size() && !found; ++n)
            if (!new_taken[n] && Same_Kind(Old[o], New[n]) && Same_Place(Old[o], New[n])) {
                new_taken[n] = found = true;
                if (Meets(Old[o], In_Old) || Meets(New[n], In_New))
                    changes.push_back(Text_Change(Old[o], New[n]));
            }
        for (std::size_t n = 0; n < New.size() && !found; ++n)
            if (!new_taken[n] && Same_Kind(Old[o], New[n]) && Old[o].Text == New[n].Text) {
                new_taken[n] = found = true;
                if (Meets(Old[o], In_Old) || Meets(New[n], In_New))
                    changes.push_back(Named(Old[o]) + " moved");
            }
        if (!found && Meets(Old[o], In_Old))
            changes.push_back(Named(Old[o]) + " removed");
    }
    for (std::size_t n = 0; n < New.size(); ++n)
        if (!new_taken[n] && Meets(New[n], In_New))
            changes.push_back(Named(New[n]) + " added");
    std::string joined;
    for (const std::string& change : changes)
        joined += (joined.empty() ? "" : "; ") + change;
    return joined;
}
