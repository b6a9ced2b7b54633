#include "pdf/pdf_region_text.h"

std::string Text_In(const T_Page_Words& Page, const T_Rectangle& Box)
{
    std::string text;
    const double right = Box.Left + Box.Width, bottom = Box.Top + Box.Height;
    for (const T_Page_Word& word : Page.Words) {
        // A region one pixel wide (a line added) still meets the word it
        // crosses: the comparison is on closed edges.
        if (word.Right < Box.Left || word.Left > right || word.Bottom < Box.Top ||
            word.Top > bottom)
            continue;
        if (!text.empty())
            text += ' ';
        text += word.Text;
    }
    return text;
}
