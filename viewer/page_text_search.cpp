#include "viewer/page_text_search.h"

#include <algorithm>
#include <cmath>

namespace {

// The page's words joined by single spaces, with where each word starts.
struct T_Page_Line {
    QString Text;
    std::vector<qsizetype> Starts;
};

T_Page_Line Join_Words(const T_Page_Words& Page)
{
    T_Page_Line line;
    for (const T_Page_Word& word : Page.Words) {
        if (!line.Text.isEmpty())
            line.Text += QLatin1Char(' ');
        line.Starts.push_back(line.Text.size());
        line.Text += QString::fromStdString(word.Text);
    }
    return line;
}

// The box of the words From to To (inclusive), in whole pixels.
T_Rectangle Box_Of(const T_Page_Words& Page, std::size_t From, std::size_t To)
{
    double left = Page.Words[From].Left, top = Page.Words[From].Top;
    double right = Page.Words[From].Right, bottom = Page.Words[From].Bottom;
    for (std::size_t at = From + 1; at <= To; ++at) {
        const T_Page_Word& word = Page.Words[at];
        left = std::min(left, word.Left);
        top = std::min(top, word.Top);
        right = std::max(right, word.Right);
        bottom = std::max(bottom, word.Bottom);
    }
    const int x = int(std::floor(left)), y = int(std::floor(top));
    return {x, y, std::max(1, int(std::ceil(right)) - x), std::max(1, int(std::ceil(bottom)) - y)};
}

} // namespace

std::vector<T_Rectangle> Find_On_Page(const T_Page_Words& Page, const QString& Query)
{
    std::vector<T_Rectangle> found;
    const QString query = Query.simplified();
    if (query.isEmpty() || Page.Words.empty())
        return found;
    const T_Page_Line line = Join_Words(Page);
    for (qsizetype at = line.Text.indexOf(query, 0, Qt::CaseInsensitive); at >= 0;
         at = line.Text.indexOf(query, at + 1, Qt::CaseInsensitive)) {
        // The word holding the first character, and the one holding the last.
        auto word_at = [&](qsizetype character) {
            return std::size_t(std::upper_bound(line.Starts.begin(), line.Starts.end(), character) -
                               line.Starts.begin() - 1);
        };
        found.push_back(Box_Of(Page, word_at(at), word_at(at + query.size() - 1)));
    }
    return found;
}
