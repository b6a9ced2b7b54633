// The words of a PDF page's text layer with their boxes, and the text that
// lies in a rectangle of the page's picture.
#pragma once

#include "differences/picture_alignment.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// A word of a page: characters between white space, with its box in the
// pixels of the page's picture as the pages are drawn (Pdf_Page_Pixels).
struct T_Page_Word {
    std::string Text; // UTF-8
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// An annotation a page shows: what it is ("stamp", "ink", "form field"),
// its name where it has one (a form field's), the text it carries (a note's
// or stamp's text, a field's value), and its box like a word's.
struct T_Page_Annotation {
    std::string Kind, Name, Text; // UTF-8
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct T_Page_Words {
    // False for a page that holds no characters: a scan, vector text drawn
    // as curves, or a page without text.
    bool Has_Text_Layer = false;
    // In reading order, as the text layer gives it.
    std::vector<T_Page_Word> Words;
    // Drawn over the page's own content; not part of the text layer.
    std::vector<T_Page_Annotation> Annotations;
};

// One PDF document's text layer, read page by page when first asked for.
// Used on one thread at a time.
class T_Pdf_Text_Layer {
public:
    explicit T_Pdf_Text_Layer(const std::string& File);
    ~T_Pdf_Text_Layer();
    T_Pdf_Text_Layer(const T_Pdf_Text_Layer&) = delete;
    T_Pdf_Text_Layer& operator=(const T_Pdf_Text_Layer&) = delete;

    const std::string& File() const { return File_; }
    // Page Page (from 0); no words for a page that does not exist or a
    // document that cannot be read.
    const T_Page_Words& Words(int Page);

private:
    // The opened document; none in a build without PDF support.
    struct T_Document;
    std::string File_;
    std::unique_ptr<T_Document> Document_;
    std::map<int, T_Page_Words> Pages_;
};

// The words whose boxes meet Box (in the page picture's pixels), whole,
// so that a change in one digit of "5600" gives "5600"; joined by a space.
std::string Text_In(const T_Page_Words& Page, const T_Rectangle& Box);
