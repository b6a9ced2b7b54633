#include "pdf/pdf_exporter.h"

#include "imaging/u_image_load.h"
#include "pdf/document_worker.h"
#include "platform/os_platform.h"
#include "imaging/drawn_page.h"
#include "pdf/pdf_drawing_work.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_page_render.h"
#include "imaging/picture_compare.h"

#include <QPdfDocument>
#include <QPdfSelection>

#include <algorithm>
#include <fstream>

T_Pdf_Multipage_Wrapper::T_Pdf_Multipage_Wrapper() = default;

T_Pdf_Multipage_Wrapper::~T_Pdf_Multipage_Wrapper() = default;

std::string Pdf_Open_Failure(QPdfDocument& document, const std::string& file_name)
{
    const T_Drawn_Pdf drawn = Pdf_Drawn_File(file_name);
    const QString drawn_file = QString::fromStdString(drawn.Path);
    int pages = 0;
    const QPdfDocument::Error loaded = On_Document_Worker([&] {
        const QPdfDocument::Error error = document.load(drawn_file);
        pages = document.pageCount();
        return error;
    });
    switch (loaded) {
    case QPdfDocument::Error::None:
        break;
    case QPdfDocument::Error::InvalidFileFormat:
        if (!drawn.Repair_Failure.empty())
            return "The file is not a PDF document, or it is damaged beyond repair: " +
                   drawn.Repair_Failure;
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
    if (pages <= 0)
        return "The document has no pages.";
    return {};
}

T_Open_Result T_Pdf_Multipage_Wrapper::Open_Doc(const std::string& File_Name, int& Doc_Index,
                                                std::string& Error_Text)
{
    if (!os::File_Exists(File_Name))
        return T_Open_Result::No_File;
    if (!Is_Pdf_File(File_Name)) {
        T_Loaded_Picture picture = Load_Picture(File_Name);
        if (picture.Result == T_Picture_Load_Result::Loaded)
            return Open_Picture(picture.Image, Doc_Index);
    }
    auto document = std::make_unique<QPdfDocument>();
    Error_Text = Pdf_Open_Failure(*document, File_Name);
    if (!Error_Text.empty())
        return T_Open_Result::Automation_Error;
    T_Paged_Doc_Rec rec;
    rec.Opened = true;
    On_Document_Worker([&] {
        for (int page = 0; page < document->pageCount(); ++page) {
            std::string label = document->pageLabel(page).trimmed().toStdString();
            T_Page_rec item{label.empty() ? std::to_string(page + 1) : label, page, ""};
            // Known before the page is drawn: the window shows a blank page
            // of this size while it is.
            const QSize pixels = Pdf_Page_Pixels(document->pagePointSize(page));
            item.Width = pixels.width();
            item.Height = pixels.height();
            rec.Pages.Items->push_back(std::move(item));
        }
    });
    Docs.push_back(std::move(rec));
    Documents.push_back(std::move(document));
    Pictures.emplace_back();
    Files.push_back(File_Name);
    Repaired_Files.push_back(Pdf_Drawn_File(File_Name).Repaired);
    Doc_Index = static_cast<int>(Docs.size()) - 1;
    Add_Page_Store(Doc_Index);
    return T_Open_Result::Ok;
}

bool T_Pdf_Multipage_Wrapper::Repaired(int Doc_Index) const
{
    return Is_Valid_Doc(Doc_Index) && Repaired_Files[static_cast<size_t>(Doc_Index)];
}

T_Open_Result T_Pdf_Multipage_Wrapper::Open_Picture(const QImage& Picture, int& Doc_Index)
{
    T_Paged_Doc_Rec rec;
    rec.Opened = true;
    rec.Pages.Items->push_back({"1", 0, ""});
    Docs.push_back(std::move(rec));
    Documents.push_back(nullptr);
    Pictures.push_back(Picture);
    Files.emplace_back();
    Repaired_Files.push_back(false);
    Doc_Index = static_cast<int>(Docs.size()) - 1;
    Add_Page_Store(Doc_Index);
    return T_Open_Result::Ok;
}

bool T_Pdf_Multipage_Wrapper::Close_Doc(int Doc_Index)
{
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return false;
    if (QPdfDocument* document = Documents[static_cast<size_t>(Doc_Index)].get())
        document->close(); // waits for no queued call: only for one under way
    return true;
}

std::string T_Pdf_Multipage_Wrapper::Text_Layer_File(int Doc_Index) const
{
    if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
        return {};
    return Files[static_cast<size_t>(Doc_Index)];
}

bool Is_Pdf_File(const std::string& file_name)
{
    std::ifstream in(os::Utf8_Path(file_name), std::ios::binary);
    std::string start(1024, '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return start.find("%PDF-") != std::string::npos;
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

void T_Pdf_Multipage_Wrapper::Add_Page_Store(int Doc_Index)
{
    Stores.push_back(
        std::make_unique<T_Page_Store>(Docs[static_cast<size_t>(Doc_Index)].Pages.Count(),
                                       [this, Doc_Index](int page, std::string& Failure) {
                                           return Draw_Page(Doc_Index, page, Failure);
                                       }));
}

T_Page_Store* T_Pdf_Multipage_Wrapper::Page_Store(int Doc_Index) const
{
    return Is_Valid_Doc(Doc_Index) && static_cast<size_t>(Doc_Index) < Stores.size()
               ? Stores[static_cast<size_t>(Doc_Index)].get()
               : nullptr;
}

T_Page_Picture_Ptr T_Pdf_Multipage_Wrapper::Draw_Page(int Doc_Index, int page, std::string& Failure)
{
    QPdfDocument* document = Documents[static_cast<size_t>(Doc_Index)].get();
    // A page that would hold the reader for minutes is not drawn at all;
    // its store keeps the reason, and asks no more.
    if (document)
        if (std::string too_complex =
                Pdf_Page_Too_Complex(Files[static_cast<size_t>(Doc_Index)], page);
            !too_complex.empty()) {
            Failure = std::move(too_complex);
            return nullptr;
        }
    QImage picture =
        document ? Render_Pdf_Page(*document, page) : Pictures[static_cast<size_t>(Doc_Index)];
    if (picture.isNull()) {
        Failure = "Page " + std::to_string(page + 1) + " cannot be drawn.";
        return nullptr;
    }
    // Only a blank page needs to know whether it holds text.
    if (Is_One_Colour(picture)) {
        const std::lock_guard<std::mutex> lock(Blank_Pages_Lock);
        Blank_Pages.insert({Doc_Index, page});
    }
    return Drawn_Page(picture);
}

void T_Pdf_Multipage_Wrapper::Export_Page_File(int Doc_Index, int page,
                                               const std::string& File_Name)
{
    // The panes and the difference engine take the picture from the store;
    // the file is written only when something reads it by name.
    std::string failure;
    if (!Stores[static_cast<size_t>(Doc_Index)]->Draw(page, File_Name, failure))
        throw T_Automation_Error(failure);
}

int T_Pdf_Multipage_Wrapper::Page_Content(int Doc_Index, int page)
{
    QPdfDocument* document = Documents[static_cast<size_t>(Doc_Index)].get();
    {
        const std::lock_guard<std::mutex> lock(Blank_Pages_Lock);
        if (!document || !Blank_Pages.count({Doc_Index, page}))
            return -1; // drawn, or a picture opened as a page: shown as it is
    }
    const qsizetype characters =
        On_Document_Worker([&] { return document->getAllText(page).text().trimmed().size(); });
    return characters > 0 ? int(std::min<qsizetype>(characters, 1 << 30)) : -1;
}
