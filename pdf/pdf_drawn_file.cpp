#include "pdf/pdf_drawn_file.h"

#include "engine/u_temp_files.h"
#include "platform/os_platform.h"

#include "pdf/document_worker.h"

#include <QPdfDocument>
#include <QString>

#include <qpdf/Constants.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace {

bool Has_Form_Fields(QPDF& Pdf)
{
    QPDFObjectHandle form = Pdf.getRoot().getKey("/AcroForm");
    if (!form.isDictionary())
        return false;
    QPDFObjectHandle fields = form.getKey("/Fields");
    return fields.isArray() && fields.getArrayNItems() > 0;
}

// Takes the annotations other than form fields' widgets off the page.
std::vector<QPDFObjectHandle> Set_Aside_Other_Annotations(QPDFObjectHandle Page)
{
    std::vector<QPDFObjectHandle> others;
    QPDFObjectHandle annotations = Page.getKey("/Annots");
    if (!annotations.isArray())
        return others;
    QPDFObjectHandle widgets = QPDFObjectHandle::newArray();
    for (int i = 0; i < annotations.getArrayNItems(); ++i) {
        QPDFObjectHandle annotation = annotations.getArrayItem(i);
        QPDFObjectHandle subtype =
            annotation.isDictionary() ? annotation.getKey("/Subtype") : QPDFObjectHandle();
        if (subtype.isName() && subtype.getName() == "/Widget")
            widgets.appendItem(annotation);
        else
            others.push_back(annotation);
    }
    Page.replaceKey("/Annots", widgets);
    return others;
}

void Put_Back_Annotations(QPDFObjectHandle Page, const std::vector<QPDFObjectHandle>& Others)
{
    if (Others.empty())
        return;
    QPDFObjectHandle annotations = Page.getKey("/Annots");
    if (!annotations.isArray()) {
        annotations = QPDFObjectHandle::newArray();
        Page.replaceKey("/Annots", annotations);
    }
    for (const QPDFObjectHandle& annotation : Others)
        annotations.appendItem(annotation);
}

// Pdf written to a private file; "" when none can be written.
std::string Written_Copy(QPDF& Pdf)
{
    const std::string copy = Temp_Path(".pdf");
    if (copy.empty())
        return {};
    QPDFWriter writer(Pdf, copy.c_str());
    writer.setStaticID(true); // the same copy for the same file
    writer.write();
    return copy;
}

// Whether two rectangles share an area.
bool Overlap(const QPDFObjectHandle::Rectangle& A, const QPDFObjectHandle::Rectangle& B)
{
    const auto low = [](double a, double b) { return std::min(a, b); };
    const auto high = [](double a, double b) { return std::max(a, b); };
    const double left = high(low(A.llx, A.urx), low(B.llx, B.urx));
    const double right = low(high(A.llx, A.urx), high(B.llx, B.urx));
    const double bottom = high(low(A.lly, A.ury), low(B.lly, B.ury));
    const double top = low(high(A.lly, A.ury), high(B.lly, B.ury));
    return right > left && top > bottom;
}

// Takes off the crop boxes that lie wholly outside their page's media box:
// the drawing library would show nothing of such a page and refuse it,
// where readers show the whole media box. True when one was taken off.
bool Drop_Crop_Boxes_Off_The_Page(QPDF& Pdf)
{
    bool dropped = false;
    for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(Pdf).getAllPages()) {
        QPDFObjectHandle crop = page.getObjectHandle().getKey("/CropBox");
        QPDFObjectHandle media = page.getMediaBox();
        if (!crop.isRectangle() || !media.isRectangle() ||
            Overlap(crop.getArrayAsRectangle(), media.getArrayAsRectangle()))
            continue;
        page.getObjectHandle().removeKey("/CropBox");
        dropped = true;
    }
    return dropped;
}

// The copy with its fields drawn in and its pages' boxes mended; "" when
// there is nothing to mend or the file is not read cleanly.
std::string Flattened_Copy(const std::string& File)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        pdf.processFile(File.c_str());
        const bool boxes_mended = Drop_Crop_Boxes_Off_The_Page(pdf);
        if (!Has_Form_Fields(pdf))
            return boxes_mended ? Written_Copy(pdf) : std::string();
        QPDFAcroFormDocumentHelper(pdf).generateAppearancesIfNeeded();
        // Only the fields go into the content: flattening drops other
        // annotations without an appearance of their own, which the PDF
        // module draws itself, so those are set aside and put back.
        const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        std::vector<std::vector<QPDFObjectHandle>> others(pages.size());
        for (std::size_t page = 0; page < pages.size(); ++page)
            others[page] = Set_Aside_Other_Annotations(pages[page].getObjectHandle());
        QPDFPageDocumentHelper(pdf).flattenAnnotations(0, an_invisible | an_hidden | an_no_view);
        for (std::size_t page = 0; page < pages.size(); ++page)
            Put_Back_Annotations(pages[page].getObjectHandle(), others[page]);
        if (pdf.anyWarnings())
            return {};
        return Written_Copy(pdf);
    } catch (const std::exception&) {
        return {};
    }
}

// Whether the drawing library opens the file as it is (a password asked
// for counts as opened: the reason it gives is the one to show).
bool Drawing_Library_Opens(const std::string& File)
{
    const QPdfDocument::Error error = On_Document_Worker([&] {
        QPdfDocument document;
        return document.load(QString::fromStdString(File));
    });
    return error == QPdfDocument::Error::None || error == QPdfDocument::Error::IncorrectPassword ||
           error == QPdfDocument::Error::UnsupportedSecurityScheme ||
           error == QPdfDocument::Error::FileNotFound;
}

// A copy of a damaged file rebuilt by qpdf (its cross-reference table
// reconstructed from the objects themselves), with form fields drawn in as
// in a clean file; the reason when qpdf cannot rebuild it either.
T_Drawn_Pdf Repaired_Copy(const std::string& File)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(File.c_str());
        if (QPDFPageDocumentHelper(pdf).getAllPages().empty())
            return {File, false, "no page of it can be found."};
        const std::string copy = Temp_Path(".pdf");
        if (copy.empty())
            return {File, false, "no private copy of it can be written."};
        QPDFWriter writer(pdf, copy.c_str());
        writer.setStaticID(true);
        writer.write();
        // The rebuilt copy may hold form fields to draw in, read cleanly now.
        const std::string flattened = Flattened_Copy(copy);
        return {flattened.empty() ? copy : flattened, true, {}};
    } catch (const QPDFExc& error) {
        // The message without the file's name, which the caller shows.
        return {File, false, error.getMessageDetail()};
    } catch (const std::exception& error) {
        return {File, false, error.what()};
    }
}

T_Drawn_Pdf Made_Drawn_Pdf(const std::string& File)
{
    const std::string flattened = Flattened_Copy(File);
    if (!flattened.empty())
        return {flattened, false, {}};
    if (Drawing_Library_Opens(File))
        return {File, false, {}};
    return Repaired_Copy(File);
}

using T_File_State = std::tuple<std::string, std::uintmax_t, std::filesystem::file_time_type>;

} // namespace

T_Drawn_Pdf Pdf_Drawn_File(const std::string& File)
{
    std::error_code error;
    const std::filesystem::path path = os::Utf8_Path(File);
    const T_File_State state{File, std::filesystem::file_size(path, error),
                             std::filesystem::last_write_time(path, error)};
    if (error)
        return {File, false, {}};
    // Pages of one file are drawn on several threads and by several readers.
    static std::mutex lock;
    static std::map<T_File_State, T_Drawn_Pdf> made;
    const std::lock_guard guard(lock);
    auto known = made.find(state);
    if (known == made.end() || (known->second.Path != File && !os::File_Exists(known->second.Path)))
        known = made.insert_or_assign(state, Made_Drawn_Pdf(File)).first;
    return known->second;
}

std::string Pdf_File_To_Draw(const std::string& File) { return Pdf_Drawn_File(File).Path; }
