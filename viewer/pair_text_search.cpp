#include "viewer/pair_text_search.h"

#include "pdf/document_worker.h"
#include "pdf/pdf_region_text.h"
#include "viewer/page_text_search.h"

#include <algorithm>

T_Pair_Text_Search::T_Pair_Text_Search() = default;

T_Pair_Text_Search::~T_Pair_Text_Search() = default;

T_Text_Hits T_Pair_Text_Search::Find(const T_Searched_Side (&Sides)[2], const QString& Query,
                                     const T_Cancel_Flag& Cancel)
{
    const std::lock_guard<std::mutex> lock(Lock_);
    T_Text_Hits found;
    // The user waits for the hits: the reading goes before any other work,
    // and a page not read yet is left once a newer search came.
    const T_Document_Call_Scope scope(T_Document_Priority::Visible_Pair, &Cancel.Flag());
    for (int page = 0; page < std::max(Sides[0].Pages, Sides[1].Pages); ++page)
        for (T_Side side : {T_Side::Left, T_Side::Right}) {
            const int at = side == T_Side::Left ? 0 : 1;
            if (Cancel.Cancelled())
                return found;
            if (Sides[at].File.empty() || page >= Sides[at].Pages)
                continue;
            if (!Layers_[at] || Layers_[at]->File() != Sides[at].File)
                Layers_[at] = std::make_unique<T_Pdf_Text_Layer>(Sides[at].File);
            const T_Page_Words& words = Layers_[at]->Words(page);
            found.Any_Text_Layer = found.Any_Text_Layer || words.Has_Text_Layer;
            for (const T_Rectangle& box : Find_On_Page(words, Query))
                found.Hits.push_back({side, page, box});
        }
    return found;
}
