// Readers of the words of a PDF document's pages with their boxes in the
// page's own space. Poppler reads a page's words in one pass; Qt's PDF
// module, which needs a call per word (each loading the page again), reads
// them where poppler is not built in or cannot open a file.
#pragma once

#include "pdf/pdf_page_frame.h"

#include <memory>
#include <string>
#include <vector>

// A word with its box in the page's own space: points, y up.
struct T_Spaced_Word {
    std::string Text; // UTF-8
    double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

struct T_Read_Page {
    // False for a page that does not exist.
    bool Found = false;
    // The frame the reader shows the page in, for a file whose own frames
    // cannot be read (Page_Frame_Of).
    T_Page_Frame Frame;
    // In reading order; words without a box are left out.
    std::vector<T_Spaced_Word> Words;
};

// One opened document. Used on one thread at a time.
class T_Page_Word_Reader {
public:
    virtual ~T_Page_Word_Reader() = default;
    // Page Page (from 0).
    virtual T_Read_Page Read(int Page) = 0;
};

// Null where poppler is not built in, or cannot open File or File is locked
// by a password.
std::unique_ptr<T_Page_Word_Reader> Poppler_Word_Reader(const std::string& File);

// Null where Qt's PDF module cannot open File. Its calls run on the
// document worker, so they may throw T_Document_Call_Dropped.
std::unique_ptr<T_Page_Word_Reader> Qt_Pdf_Word_Reader(const std::string& File);
