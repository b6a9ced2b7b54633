#include "pdf/pdf_page_annotations.h"

#include "pdf/pdf_page_frame.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>

namespace {

// Annotations flagged hidden or not for viewing are not drawn; pop-up
// windows and links are not drawn on the page either.
constexpr int Hidden_Flag = 2, No_View_Flag = 32;

std::string Kind_Of(const std::string& Subtype)
{
    static const std::map<std::string, std::string> words = {
        {"/Text", "note"},
        {"/FreeText", "text box"},
        {"/Line", "line"},
        {"/Square", "square"},
        {"/Circle", "circle"},
        {"/Polygon", "polygon"},
        {"/PolyLine", "polyline"},
        {"/Highlight", "highlight"},
        {"/Underline", "underline"},
        {"/Squiggly", "squiggly underline"},
        {"/StrikeOut", "strike-out"},
        {"/Stamp", "stamp"},
        {"/Caret", "caret"},
        {"/Ink", "ink"},
        {"/FileAttachment", "file attachment"},
        {"/Sound", "sound"},
        {"/Widget", "form field"},
        {"/Redact", "redaction"},
        {"/Watermark", "watermark"},
    };
    if (auto word = words.find(Subtype); word != words.end())
        return word->second;
    std::string kind = Subtype.empty() ? "annotation" : Subtype.substr(1);
    for (char& c : kind)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return kind;
}

// Runs of white space made one blank, and a long text cut short: the text
// names a change, it does not quote a letter.
std::string Tidied(const std::string& Text)
{
    constexpr std::size_t Longest = 80;
    std::string tidy;
    for (char c : Text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!tidy.empty() && tidy.back() != ' ')
                tidy += ' ';
        } else {
            tidy += c;
        }
    }
    if (!tidy.empty() && tidy.back() == ' ')
        tidy.pop_back();
    if (tidy.size() > Longest) {
        std::size_t cut = Longest;
        while (cut > 0 && (static_cast<unsigned char>(tidy[cut]) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 character
        tidy = tidy.substr(0, cut) + "...";
    }
    return tidy;
}

std::string Value_Text(QPDFObjectHandle Value)
{
    if (Value.isString())
        return Value.getUTF8Value();
    if (Value.isName())
        return Value.getName().substr(1);
    if (Value.isArray()) {
        std::string joined;
        for (int item = 0; item < Value.getArrayNItems(); ++item)
            joined += (item ? ", " : "") + Value_Text(Value.getArrayItem(item));
        return joined;
    }
    return {};
}

// A form field's full name (its parents' names first, joined by dots) and
// its value, which a widget inherits from its field.
void Read_Field(QPDFObjectHandle Widget, std::string& Name, std::string& Value)
{
    bool have_value = false;
    // A damaged file may link its fields in a circle.
    for (int depth = 0; Widget.isDictionary() && depth < 32; ++depth) {
        if (QPDFObjectHandle part = Widget.getKey("/T"); part.isString())
            Name = part.getUTF8Value() + (Name.empty() ? "" : "." + Name);
        if (QPDFObjectHandle value = Widget.getKey("/V"); !have_value && !value.isNull())
            Value = Value_Text(value), have_value = true;
        Widget = Widget.getKey("/Parent");
    }
}

} // namespace

struct T_Pdf_Annotation_Reader::T_Document {
    QPDF Pdf;
    std::vector<QPDFObjectHandle> Pages;
};

T_Pdf_Annotation_Reader::T_Pdf_Annotation_Reader(const std::string& File)
    : Document_(std::make_unique<T_Document>())
{
    try {
        Document_->Pdf.setSuppressWarnings(true);
        Document_->Pdf.processFile(File.c_str());
        Document_->Pdf.pushInheritedAttributesToPage();
        Document_->Pages = Document_->Pdf.getAllPages();
    } catch (const std::exception&) {
        Document_.reset();
    }
}

T_Pdf_Annotation_Reader::~T_Pdf_Annotation_Reader() = default;

std::vector<T_Page_Annotation> T_Pdf_Annotation_Reader::Of_Page(int Page, double Scale_X,
                                                                double Scale_Y)
{
    std::vector<T_Page_Annotation> shown;
    if (!Document_ || Page < 0 || Page >= int(Document_->Pages.size()))
        return shown;
    try {
        QPDFObjectHandle page = Document_->Pages[std::size_t(Page)];
        const T_Page_Frame frame = Page_Frame_Of(page);
        QPDFObjectHandle annotations = page.getKey("/Annots");
        for (int i = 0; annotations.isArray() && i < annotations.getArrayNItems(); ++i) {
            QPDFObjectHandle annotation = annotations.getArrayItem(i);
            if (!annotation.isDictionary())
                continue;
            QPDFObjectHandle subtype = annotation.getKey("/Subtype");
            const std::string type = subtype.isName() ? subtype.getName() : std::string();
            QPDFObjectHandle flags = annotation.getKey("/F");
            const long long flag_bits = flags.isInteger() ? flags.getIntValue() : 0;
            std::array<double, 4> box{};
            if (type == "/Popup" || type == "/Link" || (flag_bits & (Hidden_Flag | No_View_Flag)) ||
                !Read_Pdf_Box(annotation.getKey("/Rect"), box))
                continue;
            T_Page_Annotation entry;
            entry.Kind = Kind_Of(type);
            if (type == "/Widget") {
                Read_Field(annotation, entry.Name, entry.Text);
            } else {
                entry.Text = Value_Text(annotation.getKey("/Contents"));
                if (entry.Text.empty() && type == "/Stamp")
                    entry.Text = Value_Text(annotation.getKey("/Name"));
            }
            entry.Name = Tidied(entry.Name);
            entry.Text = Tidied(entry.Text);
            const auto [x0, y0] = frame.Shown(box[0], box[1]);
            const auto [x1, y1] = frame.Shown(box[2], box[3]);
            entry.Left = std::min(x0, x1) * Scale_X, entry.Right = std::max(x0, x1) * Scale_X;
            entry.Top = std::min(y0, y1) * Scale_Y, entry.Bottom = std::max(y0, y1) * Scale_Y;
            shown.push_back(std::move(entry));
        }
    } catch (const std::exception&) {
        // A damaged annotation list names nothing; the drawing still shows it.
    }
    return shown;
}

std::optional<T_Page_Frame> T_Pdf_Annotation_Reader::Frame_Of_Page(int Page)
{
    if (!Document_ || Page < 0 || Page >= int(Document_->Pages.size()))
        return std::nullopt;
    try {
        return Page_Frame_Of(Document_->Pages[std::size_t(Page)]);
    } catch (const std::exception&) {
        return std::nullopt; // a damaged page dictionary
    }
}
