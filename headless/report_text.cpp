#include "headless/report_text.h"

#include "vocabulary/utf8_text.h"

#include <algorithm>

namespace {

constexpr std::size_t Most_Characters = 40;

// The text on one line, cut after Most_Characters characters (never
// inside one) with "…".
std::string Shortened(const std::string& Text)
{
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < Text.size();) {
        if (characters == Most_Characters)
            return shown + "…";
        const std::size_t length = std::max<std::size_t>(Utf8_Sequence_Length(Text, at), 1);
        const char c = Text[at];
        shown += c == '\n' || c == '\r' || c == '\t' ? std::string(" ") : Text.substr(at, length);
        at += length;
        ++characters;
    }
    return shown;
}

std::string Quoted(const std::string& Text) { return "\"" + Shortened(Text) + "\""; }

std::string Counted(int Count, const char* One, const char* Many)
{
    return std::to_string(Count) + " " + (Count == 1 ? One : Many);
}

} // namespace

bool Region_Text_Changed(const T_Region_Text& Text)
{
    return Text.Change == T_Text_Change::Changed || Text.Change == T_Text_Change::Moved ||
           !Text.Annotations.empty();
}

std::string Region_Text_Phrase(const T_Region_Text& Text)
{
    std::string phrase;
    if (Text.Change == T_Text_Change::Moved)
        phrase = Quoted(Text.Old_Text.empty() ? Text.New_Text : Text.Old_Text) + " moved";
    else if (Text.Change == T_Text_Change::Changed)
        phrase = Quoted(Text.Old_Text) + " -> " + Quoted(Text.New_Text);
    if (!Text.Annotations.empty())
        phrase += (phrase.empty() ? "" : "; ") + Text.Annotations;
    return phrase;
}

std::string Changed_Region_Texts(const std::vector<T_Region_Text>& Regions, std::size_t Most)
{
    std::string phrases;
    std::size_t shown = 0, left = 0;
    for (const T_Region_Text& text : Regions) {
        if (!Region_Text_Changed(text))
            continue;
        if (shown == Most) {
            ++left;
            continue;
        }
        phrases += (shown++ ? ", " : "") + Region_Text_Phrase(text);
    }
    if (left > 0)
        phrases += " and " + std::to_string(left) + " more";
    return phrases;
}

std::string Text_Change_Counts(const T_Text_Changes& Changes)
{
    return Counted(Changes.Insertions, "insertion", "insertions") + ", " +
           Counted(Changes.Deletions, "deletion", "deletions") + ", " +
           Counted(Changes.Format_Changes, "format change", "format changes");
}

std::string Text_Change_Places(const T_Text_Changes& Changes)
{
    std::vector<std::string> places;
    for (const T_Tracked_Change& change : Changes.Changes)
        if (!change.Place.empty() &&
            std::find(places.begin(), places.end(), change.Place) == places.end())
            places.push_back(change.Place);
    std::string joined;
    for (const std::string& place : places)
        joined += (joined.empty() ? "" : ", ") + place;
    return joined;
}

std::string Listed_Text_Changes(const T_Text_Changes& Changes)
{
    std::string listed;
    for (const T_Tracked_Change& change : Changes.Changes)
        listed += (listed.empty() ? "" : "; ") + change.Kind +
                  (change.Text.empty() ? "" : " " + Quoted(change.Text));
    return listed;
}

T_Text_Change Text_Change_From_Word(const std::string& Word)
{
    for (T_Text_Change change : {T_Text_Change::Same, T_Text_Change::Changed, T_Text_Change::Moved})
        if (Word == Text_Change_Word(change))
            return change;
    return T_Text_Change::None;
}
