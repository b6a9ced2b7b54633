#include "office/margin_texts.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;

namespace {

std::string Utf8(const rtl::OUString& Text)
{
    return rtl::OUStringToOString(Text, RTL_TEXTENCODING_UTF8).getStr();
}

bool Flag(const Reference<beans::XPropertySet>& Style, const char* Name, bool Otherwise)
{
    const rtl::OUString name = rtl::OUString::createFromAscii(Name);
    if (!Style->getPropertySetInfo()->hasPropertyByName(name))
        return Otherwise;
    bool value = Otherwise;
    Style->getPropertyValue(name) >>= value;
    return value;
}

std::string Text_Of(const Reference<beans::XPropertySet>& Style, const char* Name)
{
    const rtl::OUString name = rtl::OUString::createFromAscii(Name);
    if (!Style->getPropertySetInfo()->hasPropertyByName(name))
        return {};
    Reference<text::XText> text(Style->getPropertyValue(name), UNO_QUERY);
    return text.is() ? Utf8(text->getString()) : std::string();
}

// One page style's header or footer ("Header" or "Footer"): the text of all
// pages, and those of left and first pages where they are set apart.
void Add_Margin(const Reference<beans::XPropertySet>& Style, const std::string& Style_Name,
                const std::string& Margin, T_Margin_Texts& Texts)
{
    if (!Flag(Style, (Margin + "IsOn").c_str(), false))
        return;
    const std::string where = " of " + Style_Name;
    Texts[Margin + where] = Text_Of(Style, (Margin + "Text").c_str());
    if (!Flag(Style, (Margin + "IsShared").c_str(), true))
        Texts[Margin + " (left pages)" + where] = Text_Of(Style, (Margin + "TextLeft").c_str());
    if (!Flag(Style, "FirstIsShared", true))
        Texts[Margin + " (first page)" + where] = Text_Of(Style, (Margin + "TextFirst").c_str());
}

} // namespace

T_Margin_Texts Margin_Texts(const Reference<lang::XComponent>& Document)
{
    T_Margin_Texts texts;
    Reference<style::XStyleFamiliesSupplier> families(Document, UNO_QUERY);
    if (!families.is())
        return texts;
    Reference<container::XNameAccess> pages(families->getStyleFamilies()->getByName("PageStyles"),
                                            UNO_QUERY);
    if (!pages.is())
        return texts;
    for (const rtl::OUString& name : pages->getElementNames()) {
        Reference<beans::XPropertySet> style(pages->getByName(name), UNO_QUERY);
        if (!style.is())
            continue;
        for (const char* margin : {"Header", "Footer"})
            Add_Margin(style, Utf8(name), margin, texts);
    }
    return texts;
}

std::vector<T_Margin_Change> Margin_Changes(const T_Margin_Texts& Base,
                                            const T_Margin_Texts& Revised)
{
    std::vector<T_Margin_Change> changes;
    const auto text_in = [](const T_Margin_Texts& Texts, const std::string& Where) {
        const auto found = Texts.find(Where);
        return found == Texts.end() ? std::string() : found->second;
    };
    T_Margin_Texts places = Base;
    places.insert(Revised.begin(), Revised.end());
    for (const auto& [where, unused] : places) {
        const std::string old_text = text_in(Base, where), new_text = text_in(Revised, where);
        if (old_text == new_text)
            continue;
        if (!old_text.empty())
            changes.push_back({false, where + ": " + old_text});
        if (!new_text.empty())
            changes.push_back({true, where + ": " + new_text});
    }
    return changes;
}
