// Word documents for tests, made by the real LibreOffice: from small HTML
// texts, or from whole Flat ODF documents such as Flat_Document writes, with
// headers, footers, a footnote, a comment and a text box.
#pragma once

#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace test {

// Word documents made by LibreOffice in `folder`: for each name "x" the
// text x.html becomes x.docx. With another source extension the texts are
// whole files of that kind.
inline void Make_Word_Documents(const Scratch_Dir& folder,
                                const std::vector<std::pair<std::string, std::string>>& texts,
                                const std::string& source = "html")
{
    std::string command = "soffice '-env:UserInstallation=file://" + (folder / "profile") +
                          "' --headless --convert-to 'docx:MS Word 2007 XML' --outdir '" +
                          folder.Str() + "'";
    for (const auto& [name, body] : texts) {
        Write_File(folder / (name + "." + source),
                   source == "html" ? "<html><body>" + body + "</body></html>" : body);
        command += " '" + (folder / (name + "." + source)) + "'";
    }
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    for (const auto& [name, body] : texts)
        ASSERT_TRUE(std::filesystem::exists(folder / (name + ".docx"))) << name;
    std::filesystem::remove_all(folder / "profile");
}

// The texts of a document outside its body, and a Flat ODF text document
// that has them: two sections with a header each (the first also a
// footer), a footnote, a comment and a text box.
struct Parts_Texts {
    std::string First_Header = "First section header";
    std::string Second_Header = "Second section header";
    std::string Footer = "First section footer";
    std::string Footnote = "Footnote about the source";
    std::string Comment = "Comment from the reviewer";
    std::string Text_Box = "Words in a text box";
};

inline std::string Flat_Document(const Parts_Texts& parts)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles>
<style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm"
 fo:page-height="29.7cm" fo:margin="2cm"/><style:header-style/><style:footer-style/>
</style:page-layout>
<style:style style:name="P2" style:family="paragraph" style:master-page-name="Second"/>
</office:automatic-styles>
<office:master-styles>
<style:master-page style:name="Standard" style:page-layout-name="pm1"><style:header><text:p>)" +
           parts.First_Header + "</text:p></style:header><style:footer><text:p>" + parts.Footer +
           R"(</text:p></style:footer></style:master-page>
<style:master-page style:name="Second" style:page-layout-name="pm1"><style:header><text:p>)" +
           parts.Second_Header + R"(</text:p></style:header></style:master-page>
</office:master-styles>
<office:body><office:text>
<text:p>The body's first paragraph<text:note text:id="n1" text:note-class="footnote">
<text:note-citation>1</text:note-citation><text:note-body><text:p>)" +
           parts.Footnote + R"(</text:p></text:note-body></text:note>.</text:p>
<text:p><office:annotation><dc:creator>Reviewer</dc:creator><text:p>)" +
           parts.Comment + R"(</text:p></office:annotation>A commented paragraph.</text:p>
<text:p><draw:frame draw:name="Box" text:anchor-type="paragraph" svg:width="6cm"
 svg:height="2cm" svg:x="2cm" svg:y="0cm"><draw:text-box><text:p>)" +
           parts.Text_Box +
           R"(</text:p></draw:text-box></draw:frame>A paragraph with a box.</text:p>
<text:p text:style-name="P2">The second section's body.</text:p>
</office:text></office:body></office:document>
)";
}

} // namespace test
