// The exporter for drawings that Visio opens (its own formats, dwg and dxf).
// Every call goes by member name.
#pragma once

#include "automation/u_multi_page_const.h"

#include <string>

class T_Visio_Multipage_Wrapper : public T_Base_Multipage_Wrapper {
public:
    static constexpr const char* Prog_ID = "Visio.InvisibleApp";

    bool Start_App() override;
    bool Quit_App() override;
    bool Close_Doc(int Doc_Index) override;
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index,
                           std::string& Error_Text) override;

    // The application object; empty until a successful start.
    T_Variant Visio_App;

    // Writes the whole drawing as one PDF, a page for every drawing page.
    // Raises the server's automation error, T_Unknown_Member_Error (or
    // T_Call_Failed_Error) from a server that has no such export.
    void Export_Pdf_File(int Doc_Index, const std::string& File_Name);
    // The number of shapes on a page; -1 when the server does not say.
    int Shape_Count(int Doc_Index, int page) { return Page_Content(Doc_Index, page); }

protected:
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override;
    // The number of shapes on the page.
    int Page_Content(int Doc_Index, int page) override;
};
