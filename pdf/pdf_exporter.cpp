#include "pdf_exporter.h"

#include "drawn_pages.h"
#include "os_platform.h"
#include "pdf_page_render.h"

#include <QImageWriter>
#include <QPdfDocument>

T_Pdf_Multipage_Wrapper::T_Pdf_Multipage_Wrapper() = default;

T_Pdf_Multipage_Wrapper::~T_Pdf_Multipage_Wrapper() = default;

std::string Pdf_Open_Failure(QPdfDocument& document, const std::string& file_name)
{
    switch (document.load(QString::fromStdString(file_name))) {
    case QPdfDocument::Error::None:
        break;
    case QPdfDocument::Error::InvalidFileFormat:
        return "The file is not a PDF document, or it is damaged.";
    case QPdfDocument::Error::IncorrectPassword:
        return "The document is protected by a password.";
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return "The document is encrypted in a way that cannot be read.";
    case QPdfDocument::Error::FileNotFound:
        return "The file cannot be read.";
    default:
        return "The document cannot be read.";
    }
    if (document.pageCount() <= 0)
        return "The document has no pages.";
    return {};
}

T_Open_Result T_Pdf_Multipage_Wrapper::Open_Doc(const std::string& File_Name, int& Doc_Index,
                                                std::string& Error_Text)
{
    if (!os::File_Exists(File_Name))
        return T_Open_Result::No_File;
    auto document = std::make_unique<QPdfDocument>();
    Error_Text = Pdf_Open_Failure(*document, File_Name);
    if (!Error_Text.empty())
        return T_Open_Result::Automation_Error;
    T_Paged_Doc_Rec rec;
    rec.Opened = true;
    for (int page = 0; page < document->pageCount(); ++page) {
        std::string label = document->pageLabel(page).trimmed().toStdString();
        rec.Pages.Items->push_back({label.empty() ? std::to_string(page + 1) : label, page, ""});
    }
    Docs.push_back(std::move(rec));
    Documents.push_back(std::move(document));
    Doc_Index = static_cast<int>(Docs.size()) - 1;
    return T_Open_Result::Ok;
}

bool T_Pdf_Multipage_Wrapper::Close_Doc(int Doc_Index)
{
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return false;
    Documents[static_cast<size_t>(Doc_Index)]->close();
    return true;
}

bool T_Pdf_Multipage_Wrapper::Export_Pages(int Doc_Index, const std::string& Name_Prefix,
                                           int Page_Index, std::string& Error_Text,
                                           bool Reuse_Existing)
{
    if (Page_Index != -1)
        return T_Base_Multipage_Wrapper::Export_Pages(Doc_Index, Name_Prefix, Page_Index,
                                                      Error_Text, Reuse_Existing);
    T_Page_List pages;
    if (!Get_Page_List(Doc_Index, pages))
        return false;
    for (int page = 0; page < pages.Count(); ++page)
        if (!T_Base_Multipage_Wrapper::Export_Pages(Doc_Index, Name_Prefix, page, Error_Text,
                                                    Reuse_Existing))
            return false;
    return true;
}

void T_Pdf_Multipage_Wrapper::Export_Page_File(int Doc_Index, int page,
                                               const std::string& File_Name)
{
    QImage picture = Render_Pdf_Page(*Documents[static_cast<size_t>(Doc_Index)], page);
    if (picture.isNull())
        throw T_Automation_Error("Page " + std::to_string(page + 1) + " cannot be drawn.");
    QImageWriter writer(QString::fromStdString(File_Name), "png");
    // Written once and read at once: speed matters more than size.
    writer.setQuality(90);
    if (!writer.write(picture))
        throw T_Automation_Error("Cannot write \"" + File_Name +
                                 "\": " + writer.errorString().toStdString());
    Keep_Drawn_Page(File_Name, picture);
}
