// The exporter of PDF documents: pages are drawn inside the program, so it
// has no application to start and nothing to quit.
#pragma once

#include "automation/u_multi_page_const.h"
#include "imaging/page_store.h"

#include <QImage>

#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

class QPdfDocument;

// Page names are the document's page labels where it has them ("i", "ii",
// "A-1"), else "1", "2", ...; a page's ID is its position, so that until the
// pages are paired by what they show, they pair by position.
class T_Pdf_Multipage_Wrapper : public T_Base_Multipage_Wrapper {
public:
    T_Pdf_Multipage_Wrapper();
    ~T_Pdf_Multipage_Wrapper() override;

    bool Start_App() override { return true; }
    // Each document draws its own pages; the drawing itself takes turns.
    bool Exports_In_Parallel() const override { return true; }
    bool Quit_App() override { return true; }
    bool Close_Doc(int Doc_Index) override;
    // A damaged file that the PDF module cannot open is opened from a copy
    // that qpdf rebuilt (Repaired). A file that is not a PDF, is damaged
    // beyond repair, needs a password or has no pages
    // is refused with the reason in Error_Text. A picture (the base of a
    // sheet that was a PNG before it became a PDF) opens as a document of
    // one page.
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index,
                           std::string& Error_Text) override;
    // Also every page at once (Page_Index -1).
    bool Export_Pages(int Doc_Index, const std::string& Name_Prefix, int Page_Index,
                      std::string& Error_Text, bool Reuse_Existing) override;
    // The document's own file; "" for a picture opened as a page.
    std::string Text_Layer_File(int Doc_Index) const override;
    bool Repaired(int Doc_Index) const override;
    // Every document's pages are drawn into its own store, the one caller
    // of Qt PDF for them.
    T_Page_Store* Page_Store(int Doc_Index) const override;

protected:
    // Has the document's store draw the page at the panes' resolution and
    // hold it in memory: its PNG is written when read by name.
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override;
    // The characters of the text of a page that came out blank; -1 (not
    // known) for a page without text, whose drawing the document's reader
    // does not count, and for a drawn page, which needs no count.
    int Page_Content(int Doc_Index, int page) override;

private:
    T_Open_Result Open_Picture(const QImage& Picture, int& Doc_Index);
    // Draws a page of an opened document, as its store asks.
    T_Page_Picture_Ptr Draw_Page(int Doc_Index, int page, std::string& Failure);
    void Add_Page_Store(int Doc_Index);

    // Per document: the PDF, or (null there) the picture of a one-page one.
    std::vector<std::unique_ptr<QPdfDocument>> Documents;
    std::vector<QImage> Pictures;
    std::vector<std::string> Files; // "" for a picture
    std::vector<bool> Repaired_Files;
    // Pages drawn as one flat colour, by document and page (pages of the
    // two documents are drawn on two threads).
    std::set<std::pair<int, int>> Blank_Pages;
    std::mutex Blank_Pages_Lock;
    // Per document; last, so that the stores go before the documents they
    // draw from.
    std::vector<std::unique_ptr<T_Page_Store>> Stores;
};

// True when the file's first kilobyte holds the PDF header.
bool Is_Pdf_File(const std::string& file_name);

// Why a PDF cannot be opened, in the user's words; empty when it can.
std::string Pdf_Open_Failure(QPdfDocument& document, const std::string& file_name);
