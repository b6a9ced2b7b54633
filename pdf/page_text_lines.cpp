#include "pdf/page_text_lines.h"

#include "differences/text_line_changes.h"
#include "differences/text_lines.h"

#include <cmath>

namespace {

// Characters, not bytes: the bytes that continue a UTF-8 character do not count.
int Characters_Of(const std::string& Text)
{
    int Count = 0;
    for (const char Byte : Text)
        Count += (static_cast<unsigned char>(Byte) & 0xC0) != 0x80;
    return Count;
}

} // namespace

std::vector<T_Rectangle> Page_Text_Lines(const T_Page_Words& Page)
{
    std::vector<differences::T_Text_Word> words;
    words.reserve(Page.Words.size());
    for (const T_Page_Word& word : Page.Words) {
        const int left = int(std::floor(word.Left)), top = int(std::floor(word.Top));
        words.push_back(
            {{left, top, int(std::ceil(word.Right)) - left, int(std::ceil(word.Bottom)) - top},
             Characters_Of(word.Text)});
    }
    return differences::Text_Lines(words);
}

void Join_Changes_On_Page_Lines(T_Difference& Difference, const T_Page_Words& Old_Page,
                                const T_Page_Words& New_Page, const T_To_New_Page& To_New)
{
    if (!Old_Page.Has_Text_Layer && !New_Page.Has_Text_Layer)
        return;
    differences::Join_Changes_On_Text_Lines(
        Difference, {Page_Text_Lines(Old_Page), Page_Text_Lines(New_Page), To_New});
}
