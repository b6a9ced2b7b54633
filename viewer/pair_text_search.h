// Finding a text on every page of both documents of a pair. The documents'
// text layers are read page by page as a search needs them and kept for the
// next search; a search runs off the window's thread, on the document
// worker, ahead of all other document work, and gives up between pages once
// it is no longer wanted.
#pragma once

#include "differences/picture_difference.h"
#include "session/latest_task.h"
#include "session/u_diff_session.h"

#include <QString>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class T_Pdf_Text_Layer;

// An occurrence of the text: on which side's page, where in its picture.
struct T_Text_Hit {
    T_Side Side = T_Side::Left;
    int Page = 0;
    T_Rectangle Box;
};

// What one search found.
struct T_Text_Hits {
    std::vector<T_Text_Hit> Hits;
    bool Any_Text_Layer = false;
};

// One side of the pair as a search reads it: its text layer's file (empty
// for none) and its page count.
struct T_Searched_Side {
    std::string File;
    int Pages = 0;
};

class T_Pair_Text_Search {
public:
    T_Pair_Text_Search();
    ~T_Pair_Text_Search();
    T_Pair_Text_Search(const T_Pair_Text_Search&) = delete;
    T_Pair_Text_Search& operator=(const T_Pair_Text_Search&) = delete;

    // Every occurrence of Query on every page of both sides, in page order,
    // the base version's first on each page. Safe on any thread; searches
    // take turns.
    T_Text_Hits Find(const T_Searched_Side (&Sides)[2], const QString& Query,
                     const T_Cancel_Flag& Cancel);

private:
    std::mutex Lock_;
    std::unique_ptr<T_Pdf_Text_Layer> Layers_[2];
};
