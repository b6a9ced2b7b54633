#include "pdf/pdf_substituted_fonts.h"

#include "pdf/file_state_memo.h"
#include "pdf/pdf_drawn_file.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <map>
#include <set>
#include <vector>

namespace {

bool Is_Standard_Font(std::string Name)
{
    // A subset's tag ("ABCDEF+Helvetica") names the same font.
    if (Name.size() > 8 && Name[7] == '+')
        Name = "/" + Name.substr(8);
    static const std::set<std::string> standard{
        "/Courier",     "/Courier-Bold",   "/Courier-Oblique",   "/Courier-BoldOblique",
        "/Helvetica",   "/Helvetica-Bold", "/Helvetica-Oblique", "/Helvetica-BoldOblique",
        "/Times-Roman", "/Times-Bold",     "/Times-Italic",      "/Times-BoldItalic",
        "/Symbol",      "/ZapfDingbats"};
    return standard.count(Name) > 0;
}

bool Embeds_Its_Program(QPDFObjectHandle Font)
{
    QPDFObjectHandle descriptor = Font.getKey("/FontDescriptor");
    if (!descriptor.isDictionary())
        return false;
    for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"})
        if (descriptor.getKey(key).isStream())
            return true;
    return false;
}

// Whether the reader stands in for Font.
bool Substituted(QPDFObjectHandle Font)
{
    if (!Font.isDictionary())
        return false;
    QPDFObjectHandle subtype = Font.getKey("/Subtype");
    // Type 3 glyphs are drawn from the file's own content.
    if (subtype.isName() && subtype.getName() == "/Type3")
        return false;
    if (subtype.isName() && subtype.getName() == "/Type0") {
        QPDFObjectHandle descendants = Font.getKey("/DescendantFonts");
        return !(descendants.isArray() && descendants.getArrayNItems() > 0 &&
                 Embeds_Its_Program(descendants.getArrayItem(0)));
    }
    if (Embeds_Its_Program(Font))
        return false;
    QPDFObjectHandle name = Font.getKey("/BaseFont");
    return !(name.isName() && Is_Standard_Font(name.getName()));
}

// The fonts of resources and of the forms they hold, each form looked at
// once however many pages draw it.
class T_Font_Check {
public:
    bool Of_Page(QPDFPageObjectHelper Page)
    {
        if (Of_Resources(Page.getAttribute("/Resources", false)))
            return true;
        QPDFObjectHandle annotations = Page.getObjectHandle().getKey("/Annots");
        if (annotations.isArray())
            for (int i = 0; i < annotations.getArrayNItems(); ++i)
                if (Of_Appearances(annotations.getArrayItem(i)))
                    return true;
        return false;
    }

private:
    bool Of_Resources(QPDFObjectHandle Resources)
    {
        if (!Resources.isDictionary())
            return false;
        QPDFObjectHandle fonts = Resources.getKey("/Font");
        if (fonts.isDictionary())
            for (const std::string& key : fonts.getKeys())
                if (Substituted(fonts.getKey(key)))
                    return true;
        QPDFObjectHandle xobjects = Resources.getKey("/XObject");
        if (xobjects.isDictionary())
            for (const std::string& key : xobjects.getKeys())
                if (Of_Form(xobjects.getKey(key)))
                    return true;
        return false;
    }

    bool Of_Form(QPDFObjectHandle Form)
    {
        if (!Form.isStream())
            return false;
        const QPDFObjGen id = Form.getObjGen();
        if (auto known = Known_.find(id); known != Known_.end())
            return known->second;
        // A form that holds itself adds nothing the second time.
        Known_[id] = false;
        const bool substituted = Of_Resources(Form.getDict().getKey("/Resources"));
        Known_[id] = substituted;
        return substituted;
    }

    // Every appearance an annotation may show, whatever its state.
    bool Of_Appearances(QPDFObjectHandle Annotation)
    {
        if (!Annotation.isDictionary() || !Annotation.getKey("/AP").isDictionary())
            return false;
        QPDFObjectHandle appearances = Annotation.getKey("/AP");
        for (const std::string& kind : appearances.getKeys()) {
            QPDFObjectHandle appearance = appearances.getKey(kind);
            if (appearance.isStream() && Of_Form(appearance))
                return true;
            if (appearance.isDictionary() && !appearance.isStream())
                for (const std::string& state : appearance.getKeys())
                    if (Of_Form(appearance.getKey(state)))
                        return true;
        }
        return false;
    }

    std::map<QPDFObjGen, bool> Known_;
};

// Per page; empty when the file cannot be read.
std::vector<bool> Pages_Substituting_Fonts(const std::string& File)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processFile(File.c_str());
        T_Font_Check check;
        std::vector<bool> pages;
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(document).getAllPages())
            pages.push_back(check.Of_Page(page));
        return pages;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

bool Pdf_Page_Substitutes_Fonts(const std::string& File, int Page)
{
    static T_File_State_Memo<std::vector<bool>> known(
        [](const std::string& Read) { return Pages_Substituting_Fonts(Pdf_File_To_Draw(Read)); });
    const std::vector<bool> pages = known.Of(File);
    return Page < 0 || std::size_t(Page) >= pages.size() || pages[std::size_t(Page)];
}
