// Pages of a PDF drawn small by poppler, on the calling thread and beside
// Qt's PDF module: drawing a set's pages for their signatures then takes
// no turns at the document worker, which draws what the reviewer looks at,
// and both versions are drawn at once.
#pragma once

#include <QImage>
#include <QSizeF>

#include <memory>
#include <string>

class T_Poppler_Small_Pages {
public:
    // Null when the build has no poppler, or poppler cannot read File (a
    // locked or damaged file).
    static std::unique_ptr<T_Poppler_Small_Pages> Open(const std::string& File);
    ~T_Poppler_Small_Pages();
    T_Poppler_Small_Pages(const T_Poppler_Small_Pages&) = delete;
    T_Poppler_Small_Pages& operator=(const T_Poppler_Small_Pages&) = delete;

    int Page_Count() const;
    // The page's size in points as it is shown: its crop box, turned.
    QSizeF Page_Points(int Page) const;
    // Page Page (from 0) as a reader shows it, annotations included, drawn
    // at Dpi on white paper as 32-bit RGB; null when it cannot be drawn.
    QImage Draw(int Page, double Dpi) const;

private:
    struct T_Document;
    explicit T_Poppler_Small_Pages(std::unique_ptr<T_Document> Document);
    std::unique_ptr<T_Document> Document_;
};
