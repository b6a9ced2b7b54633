// The annotations a PDF page shows (stamps, markup, ink, notes, filled-in
// form fields), read with qpdf, with their boxes in the pixels of the page's
// picture, so that a change region can say which of them it concerns.
#pragma once

#include "pdf/pdf_page_frame.h"
#include "pdf/pdf_region_text.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One PDF document's annotations, read page by page when asked for. Used on
// one thread at a time.
class T_Pdf_Annotation_Reader {
public:
    explicit T_Pdf_Annotation_Reader(const std::string& File);
    ~T_Pdf_Annotation_Reader();
    T_Pdf_Annotation_Reader(const T_Pdf_Annotation_Reader&) = delete;
    T_Pdf_Annotation_Reader& operator=(const T_Pdf_Annotation_Reader&) = delete;

    // The shown annotations of page Page (from 0), their boxes scaled by
    // Scale_X and Scale_Y pixels a point from the page's top left; none for
    // a page that does not exist or a file that cannot be read.
    std::vector<T_Page_Annotation> Of_Page(int Page, double Scale_X, double Scale_Y);
    // The frame page Page is shown in, which its annotations are placed by
    // (Page_Frame_Of); none for a page that does not exist or a file that
    // cannot be read.
    std::optional<T_Page_Frame> Frame_Of_Page(int Page);

private:
    struct T_Document;
    std::unique_ptr<T_Document> Document_;
};
