// Text lines. Two words join one line when their boxes share most of their
// height (one baseline; a line above or below shares little of it) and the
// gap between them is at most a few characters wide: a space, or the
// wider spaces of justified text, but not the gap between two cells of a
// table or the fields of a title block. A line is what words so joined,
// one to the next, make.
#include "differences/text_lines.h"

#include "differences/union_find.h"

#include <algorithm>

namespace differences {

namespace {

// The widest gap between two words of one line, in characters of the
// wider-set of the two.
constexpr double Widest_Word_Gap = 3.0;
// The share of the lower word's height two words of one line have in common.
constexpr double Shared_Height = 0.5;

int Right(const T_Rectangle& Box) { return Box.Left + Box.Width; }
int Bottom(const T_Rectangle& Box) { return Box.Top + Box.Height; }

double Character_Width(const T_Text_Word& Word)
{
    return double(Word.Box.Width) / std::max(1, Word.Characters);
}

bool One_Line(const T_Text_Word& A, const T_Text_Word& B)
{
    const int Shared = std::min(Bottom(A.Box), Bottom(B.Box)) - std::max(A.Box.Top, B.Box.Top);
    if (Shared < Shared_Height * std::min(A.Box.Height, B.Box.Height))
        return false;
    const int Gap = std::max(A.Box.Left, B.Box.Left) - std::min(Right(A.Box), Right(B.Box));
    return Gap <= Widest_Word_Gap * std::max(Character_Width(A), Character_Width(B));
}

T_Rectangle Union(const T_Rectangle& A, const T_Rectangle& B)
{
    const int Left = std::min(A.Left, B.Left), Top = std::min(A.Top, B.Top);
    return {Left, Top, std::max(Right(A), Right(B)) - Left, std::max(Bottom(A), Bottom(B)) - Top};
}

} // namespace

std::vector<T_Rectangle> Text_Lines(const std::vector<T_Text_Word>& All_Words)
{
    std::vector<T_Text_Word> Words;
    Words.reserve(All_Words.size());
    std::copy_if(All_Words.begin(), All_Words.end(), std::back_inserter(Words),
                 [](const T_Text_Word& Word) { return Word.Box.Width > 0 && Word.Box.Height > 0; });
    // By top: a word only needs comparing with the words that start above
    // its bottom, those a line can share.
    std::sort(Words.begin(), Words.end(),
              [](const T_Text_Word& A, const T_Text_Word& B) { return A.Box.Top < B.Box.Top; });
    T_Union_Find Sets(Words.size());
    for (std::size_t A = 0; A < Words.size(); ++A)
        for (std::size_t B = A + 1; B < Words.size() && Words[B].Box.Top < Bottom(Words[A].Box);
             ++B)
            if (One_Line(Words[A], Words[B]))
                Sets.Join(A, B);

    std::vector<T_Rectangle> Lines;
    std::vector<std::ptrdiff_t> Line_Of_Root(Words.size(), -1);
    for (std::size_t Word = 0; Word < Words.size(); ++Word) {
        std::ptrdiff_t& Line = Line_Of_Root[Sets.Find(Word)];
        if (Line < 0) {
            Line = std::ptrdiff_t(Lines.size());
            Lines.push_back(Words[Word].Box);
        } else {
            Lines[std::size_t(Line)] = Union(Lines[std::size_t(Line)], Words[Word].Box);
        }
    }
    std::sort(Lines.begin(), Lines.end(), [](const T_Rectangle& A, const T_Rectangle& B) {
        return std::pair(A.Top, A.Left) < std::pair(B.Top, B.Left);
    });
    return Lines;
}

} // namespace differences
