// The exporter of drawings that LibreOffice opens in place of Visio (Visio's
// formats, DXF): the office writes each drawing once as a PDF, and its pages
// are drawn from that PDF inside the program like any PDF's.
#pragma once

#include "automation/u_multi_page_const.h"

#include <memory>
#include <mutex>
#include <vector>

class T_Visio_Multipage_Wrapper;

// Documents, their page names and IDs come from the drawing server as with
// T_Visio_Multipage_Wrapper, so tabs show the drawing's page names and pages
// pair by name. The first export of a document has the server write the
// whole drawing as one PDF; every page after that is drawn in memory without
// a server call, and the pages have the PDF's text layer. A server without a
// PDF export has its pages exported one by one instead, as before.
class T_Office_Pdf_Multipage_Wrapper : public T_Base_Multipage_Wrapper {
public:
    T_Office_Pdf_Multipage_Wrapper();
    ~T_Office_Pdf_Multipage_Wrapper() override;

    bool Start_App() override;
    bool Quit_App() override;
    // Also removes the document's PDF.
    bool Close_Doc(int Doc_Index) override;
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index,
                           std::string& Error_Text) override;
    // The document's first export writes its PDF as Name_Prefix + ".pdf".
    // Also every page at once (Page_Index -1).
    bool Export_Pages(int Doc_Index, const std::string& Name_Prefix, int Page_Index,
                      std::string& Error_Text, bool Reuse_Existing) override;
    // Each document draws from its own PDF; calls to the server take turns.
    bool Exports_In_Parallel() const override { return true; }
    std::string Text_Layer_File(int Doc_Index) const override;
    // The store of the drawer of the drawing's PDF, once it is written.
    T_Page_Store* Page_Store(int Doc_Index) const override;

protected:
    // Pages go through Export_Pages, which draws them from the PDF.
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override;

private:
    // One opened drawing: its document in the server and, once written, the
    // drawer of its PDF.
    struct T_Drawing {
        int Office_Doc = -1;
        std::unique_ptr<T_Base_Multipage_Wrapper> Drawer; // its document is 0
        std::string Pdf_File;
        T_Page_Store* Pages = nullptr;  // the drawer's, under Pages_Lock
        std::vector<int> Shapes;        // per page, from the server
        bool Pages_From_Server = false; // the server writes no PDF
    };

    // Writes the document's PDF and opens it, once; false with the reason.
    bool Prepare_Pages(int Doc_Index, const std::string& Name_Prefix, std::string& Error_Text);
    bool Open_Pdf(T_Drawing& Drawing, int Page_Count, const std::string& Pdf,
                  std::string& Error_Text);
    // Records what an export of the inner exporter's document made.
    void Take_Pages(int Doc_Index, const T_Base_Multipage_Wrapper& From, int From_Doc,
                    int Page_Index);

    std::unique_ptr<T_Base_Multipage_Wrapper> Office_Owner;
    T_Visio_Multipage_Wrapper* Office = nullptr;
    std::vector<T_Drawing> Drawings; // by Doc_Index
    // The server answers one call at a time.
    mutable std::mutex Office_Lock;
    // Held only to hand out a drawing's store, never across a server call.
    mutable std::mutex Pages_Lock;
};
