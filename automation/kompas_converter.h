// The exporter for KOMPAS drawings. KOMPAS is driven by fixed dispatch
// numbers of its application interface; only closing a document goes by name.
#pragma once

#include "automation/u_multi_page_const.h"

#include <memory>
#include <string>

class T_Kompas_Multipage_Wrapper : public T_Base_Multipage_Wrapper {
public:
    static constexpr const char* Prog_ID = "Kompas.Application.5";

    bool Start_App() override;
    bool Quit_App() override;
    bool Close_Doc(int Doc_Index) override;
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index,
                           std::string& Error_Text) override;

    // The application object; held from a successful start until Quit_App.
    std::shared_ptr<T_Dispatch> Kompas_App;

protected:
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override;
};

// The extension that chooses a KOMPAS document kind: the file name from its
// last dot on, in lower case; empty when the name has no dot after its last
// folder separator.
std::string Kompas_Extension(const std::string& File_Name);
