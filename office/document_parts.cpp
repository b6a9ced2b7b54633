#include "office/document_parts.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>

#include <algorithm>
#include <map>
#include <string>

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;

namespace {

std::string Utf8(const rtl::OUString& Text)
{
    return rtl::OUStringToOString(Text, RTL_TEXTENCODING_UTF8).getStr();
}

Reference<beans::XPropertySet> Properties(const Reference<uno::XInterface>& Object)
{
    return Reference<beans::XPropertySet>(Object, UNO_QUERY);
}

bool Has(const Reference<beans::XPropertySet>& Object, const char* Name)
{
    return Object.is() &&
           Object->getPropertySetInfo()->hasPropertyByName(rtl::OUString::createFromAscii(Name));
}

bool Flag(const Reference<beans::XPropertySet>& Style, const std::string& Name, bool Otherwise)
{
    bool value = Otherwise;
    if (Has(Style, Name.c_str()))
        Style->getPropertyValue(rtl::OUString::createFromAscii(Name.c_str())) >>= value;
    return value;
}

void Add_Text(const Reference<text::XText>& text, const std::string& Group,
              const std::string& Place, std::vector<T_Document_Part>& Parts)
{
    if (!text.is())
        return;
    T_Document_Part part;
    part.Group = Group;
    part.Place = Place;
    part.Text = Utf8(text->getString());
    part.Object = text;
    Parts.push_back(std::move(part));
}

// Most paragraphs looked at for the page styles they start: enough for
// every section of any real document, a bound for a huge one.
constexpr int Max_Paragraphs_Read = 50000;

// The page styles the body uses, numbered as sections in the order of first
// use: a paragraph names the page style it starts; the first section's,
// when its paragraph names none, is the default one.
std::map<std::string, int> Sections(const Reference<lang::XComponent>& Document)
{
    std::map<std::string, int> sections;
    Reference<text::XTextDocument> text_document(Document, UNO_QUERY);
    if (!text_document.is())
        return sections;
    Reference<container::XEnumerationAccess> body(text_document->getText(), UNO_QUERY);
    if (!body.is())
        return sections;
    Reference<container::XEnumeration> paragraphs = body->createEnumeration();
    for (int read = 0; paragraphs->hasMoreElements() && read < Max_Paragraphs_Read; ++read) {
        Reference<beans::XPropertySet> paragraph(paragraphs->nextElement(), UNO_QUERY);
        rtl::OUString style;
        if (Has(paragraph, "PageDescName"))
            paragraph->getPropertyValue("PageDescName") >>= style;
        if (style.isEmpty() && read == 0)
            style = "Standard";
        if (!style.isEmpty())
            sections.try_emplace(Utf8(style), int(sections.size()) + 1);
    }
    return sections;
}

// One page style's header or footer ("Header" or "Footer"): the text of all
// pages, and those of left and first pages where they are set apart.
void Add_Margin(const Reference<beans::XPropertySet>& Style, const std::string& Where,
                const std::string& Margin, std::vector<T_Document_Part>& Parts)
{
    if (!Flag(Style, Margin + "IsOn", false))
        return;
    const std::string word = Margin == "Header" ? "header" : "footer";
    const auto add = [&](const std::string& Property, const std::string& Pages) {
        if (!Has(Style, Property.c_str()))
            return;
        const std::string place = Pages + word + " of " + Where;
        Add_Text(Reference<text::XText>(
                     Style->getPropertyValue(rtl::OUString::createFromAscii(Property.c_str())),
                     UNO_QUERY),
                 place, place, Parts);
    };
    add(Margin + "Text", "");
    if (!Flag(Style, Margin + "IsShared", true))
        add(Margin + "TextLeft", "left-page ");
    if (!Flag(Style, "FirstIsShared", true))
        add(Margin + "TextFirst", "first-page ");
}

void Add_Margins(const Reference<lang::XComponent>& Document, std::vector<T_Document_Part>& Parts)
{
    Reference<style::XStyleFamiliesSupplier> families(Document, UNO_QUERY);
    if (!families.is())
        return;
    Reference<container::XNameAccess> pages(families->getStyleFamilies()->getByName("PageStyles"),
                                            UNO_QUERY);
    if (!pages.is())
        return;
    const std::map<std::string, int> sections = Sections(Document);
    std::vector<std::pair<int, rtl::OUString>> ordered; // sections first, in their order
    for (const rtl::OUString& name : pages->getElementNames()) {
        const auto section = sections.find(Utf8(name));
        ordered.push_back(
            {section == sections.end() ? int(sections.size()) + 1 : section->second, name});
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [section, name] : ordered) {
        Reference<beans::XPropertySet> style(pages->getByName(name), UNO_QUERY);
        if (!style.is())
            continue;
        const std::string where = sections.count(Utf8(name)) ? "section " + std::to_string(section)
                                                             : "page style " + Utf8(name);
        for (const char* margin : {"Header", "Footer"})
            Add_Margin(style, where, margin, Parts);
    }
}

void Add_Notes(const Reference<container::XIndexAccess>& Notes, const std::string& Word,
               std::vector<T_Document_Part>& Parts)
{
    for (sal_Int32 i = 0; i < Notes->getCount(); ++i)
        Add_Text(Reference<text::XText>(Notes->getByIndex(i), UNO_QUERY), Word,
                 Word + " " + std::to_string(i + 1), Parts);
}

// Text boxes, frames and drawn shapes with text, in the order of the page.
void Add_Text_Boxes(const Reference<lang::XComponent>& Document,
                    std::vector<T_Document_Part>& Parts)
{
    Reference<drawing::XDrawPageSupplier> supplier(Document, UNO_QUERY);
    if (!supplier.is())
        return;
        // A text document has the one draw page of this (deprecated) supplier.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Reference<container::XIndexAccess> shapes(supplier->getDrawPage(), UNO_QUERY);
#pragma GCC diagnostic pop
    if (!shapes.is())
        return;
    int number = 0;
    for (sal_Int32 i = 0; i < shapes->getCount(); ++i) {
        Reference<text::XText> text(shapes->getByIndex(i), UNO_QUERY);
        if (!text.is() || text->getString().isEmpty())
            continue;
        Add_Text(text, "text box", "text box " + std::to_string(++number), Parts);
        // The office's comparison marks the changes inside a text box.
        Parts.back().Office_Compares = true;
    }
}

void Add_Comments(const Reference<lang::XComponent>& Document, std::vector<T_Document_Part>& Parts)
{
    Reference<text::XTextFieldsSupplier> supplier(Document, UNO_QUERY);
    if (!supplier.is())
        return;
    Reference<container::XEnumeration> fields = supplier->getTextFields()->createEnumeration();
    int number = 0;
    while (fields->hasMoreElements()) {
        Reference<lang::XServiceInfo> field(fields->nextElement(), UNO_QUERY);
        if (!field.is() || !field->supportsService("com.sun.star.text.textfield.Annotation"))
            continue;
        rtl::OUString content;
        Properties(field)->getPropertyValue("Content") >>= content;
        T_Document_Part part;
        part.Group = "comment";
        part.Place = "comment " + std::to_string(++number);
        part.Text = Utf8(content);
        part.Object = field;
        part.Is_Comment = true;
        Parts.push_back(std::move(part));
    }
}

} // namespace

std::vector<T_Document_Part> Document_Parts(const Reference<lang::XComponent>& Document)
{
    std::vector<T_Document_Part> parts;
    Add_Margins(Document, parts);
    Reference<text::XFootnotesSupplier> footnotes(Document, UNO_QUERY);
    if (footnotes.is())
        Add_Notes(footnotes->getFootnotes(), "footnote", parts);
    Reference<text::XEndnotesSupplier> endnotes(Document, UNO_QUERY);
    if (endnotes.is())
        Add_Notes(endnotes->getEndnotes(), "endnote", parts);
    Add_Text_Boxes(Document, parts);
    Add_Comments(Document, parts);
    return parts;
}

std::string Place_Of(const Reference<beans::XPropertySet>& Redline,
                     const Reference<lang::XComponent>& Document,
                     const std::vector<T_Document_Part>& Parts)
{
    Reference<text::XTextRange> start(Redline->getPropertyValue("RedlineStart"), UNO_QUERY);
    Reference<text::XTextDocument> document(Document, UNO_QUERY);
    if (!start.is() || !document.is())
        return {};
    // Most changes are in the body: one question to the office each.
    const Reference<text::XText> text = start->getText();
    if (text == document->getText())
        return {};
    for (const T_Document_Part& part : Parts)
        if (!part.Is_Comment && Reference<text::XText>(part.Object, UNO_QUERY) == text)
            return part.Place;
    return {};
}

std::vector<T_Part_Text> Part_Texts(const std::vector<T_Document_Part>& Parts)
{
    return std::vector<T_Part_Text>(Parts.begin(), Parts.end());
}
