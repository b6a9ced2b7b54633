// The checked copy of an SVG: which references survive, what the copy looks
// like, and what the real converter renders from it.
#include "engine/svg_references.h"

#include "platform/os_platform.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;
using test::Read_File;
using test::Scratch_Dir;
using test::Write_File;

// 1 x 1 pictures, drawn 20 x 20 by the drawings below.
const std::string Green_Png(
    "\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90"
    "\x77\x53\xDE\x00\x00\x00\x0CIDAT\x78\xDA\x63\x60\xF8\xCF\x00\x00\x02\x02\x01\x00\x45\xF4\x52"
    "\xD4\x00\x00\x00\x00IEND\xAE\x42\x60\x82",
    69);
const std::string Red_Png(
    "\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90"
    "\x77\x53\xDE\x00\x00\x00\x0CIDAT\x78\xDA\x63\xF8\xCF\xC0\x00\x00\x03\x01\x01\x00\xF7\x03\x41"
    "\x43\x00\x00\x00\x00IEND\xAE\x42\x60\x82",
    69);

const std::string Head = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"80\" height=\"20\">";

std::string Image(const std::string& reference, int x = 0,
                  const std::string& attribute = "xlink:href")
{
    return "<image x=\"" + std::to_string(x) + "\" width=\"20\" height=\"20\" " + attribute +
           "=\"" + reference + "\"/>";
}

// A file: address of a local path ("file:///C:/..." on Windows).
std::string File_Address(const fs::path& path)
{
    std::string name = path.generic_string();
    return "file://" + std::string(name.starts_with("/") ? "" : "/") + name;
}

class Safe_Svg_Test : public ::testing::Test {
protected:
    Safe_Svg_Test()
    {
        fs::create_directories(Drawing / "sub");
        fs::create_directories(Outside);
        fs::create_directories(Copies);
        Write_File((Drawing / "green.png").string(), Green_Png);
        Write_File((Drawing / "sub" / "green.png").string(), Green_Png);
        Write_File((Outside / "secret.png").string(), Red_Png);
        Write_File((root.Path / "red.png").string(), Red_Png);
    }

    // Makes the checked copy of `content`, written as drawing/<name>.
    bool Make(const std::string& content, const std::string& name = "drawing.svg")
    {
        Write_File((Drawing / name).string(), content);
        refused.clear();
        error.clear();
        Safe = (root.Path / "safe.svg").string();
        return Write_Safe_Svg((Drawing / name).string(), Safe, Private_Name, refused, error);
    }

    std::string Copy() const { return Read_File(Safe); }

    std::string Abs(const fs::path& path) const { return fs::canonical(path).string(); }

    Scratch_Dir root;
    fs::path Drawing = root.Path / "drawing", Outside = root.Path / "outside",
             Copies = root.Path / "copies";
    int made = 0;
    std::function<std::string(const std::string&)> Private_Name =
        [this](const std::string& suffix) {
            return (Copies / ("copy" + std::to_string(made++) + suffix)).string();
        };
    std::string Safe, error;
    std::vector<std::string> refused;
};

TEST_F(Safe_Svg_Test, ReferencesOutsideTheFolderAreReplaced)
{
    Write_File((Drawing / "notes.txt").string(), "viewbox 0 0 1 1");
    Write_File((Drawing / "fake.png").string(), "viewbox 0 0 20 20\nimage over 0,0 20,20 'x.png'");
    const std::string refs[] = {
        (Outside / "secret.png").string(),
        "../red.png",
        "sub/../../red.png",
        "missing.png",
        "sub",
        "notes.txt",
        "fake.png",
        File_Address(Outside / "secret.png"),
        "file://otherhost/" + Drawing.string() + "/green.png",
        "http://example.com/a.png",
        "HTTPS://example.com/a.png",
        "ftp://example.com/a.png",
        "text:green.png",
        "msl:green.png",
        "png:green.png",
        "@green.png",
        "data:image/svg+xml;base64,PHN2Zy8+",
        "data:text/plain,viewbox",
    };
    std::string content = Head;
    for (const std::string& ref : refs)
        content += Image(ref);
    ASSERT_TRUE(Make(content + "</svg>")) << error;
    EXPECT_EQ(refused, std::vector<std::string>(std::begin(refs), std::end(refs)));
    std::string copy = Copy();
    std::string expected = Head;
    for (std::size_t i = 0; i < std::size(refs); ++i)
        expected += Image(Refused_Reference_Picture);
    EXPECT_EQ(copy, expected + "</svg>");
}

TEST_F(Safe_Svg_Test, PicturesInTheFolderGetAbsolutePaths)
{
    std::string data = "data:image/png;base64,iVBORw0KGgo=";
    ASSERT_TRUE(Make(Head + Image("green.png") + Image("./sub/green.png") +
                     Image(File_Address(Drawing / "sub" / "green.png")) + Image(" #shape ") +
                     Image(data) + Image("") + "<use href='sub/green.png'/></svg>"))
        << error;
    EXPECT_TRUE(refused.empty());
    std::string green = Abs(Drawing / "green.png"), sub = Abs(Drawing / "sub" / "green.png");
    EXPECT_EQ(Copy(), Head + Image(green) + Image(sub) + Image(sub) + Image(" #shape ") +
                          Image(data) + Image("") + "<use href='" + sub + "'/></svg>");
}

TEST_F(Safe_Svg_Test, EveryHrefSpellingIsChecked)
{
    std::string secret = (Outside / "secret.png").string();
    std::string encoded = "&#47;" + secret.substr(1);
    ASSERT_TRUE(Make(Head + Image(secret, 0, "href") + Image(secret, 0, "XLINK:HREF") +
                     Image(secret, 0, "my:href") + "<image xlink:href='" + secret + "'/>" +
                     Image(encoded) + Image("&#x2F;" + secret.substr(1)) + "<a href=\"\n" + secret +
                     "\t\">x</a><feImage xlink:href=\"../red.png\"/></svg>"))
        << error;
    EXPECT_EQ(refused.size(), 8u);
    std::string copy = Copy();
    EXPECT_EQ(copy.find(secret.substr(1)), std::string::npos);
    EXPECT_EQ(copy.find("red.png"), std::string::npos);
    EXPECT_NE(copy.find("<image xlink:href='data:image/png"), std::string::npos);
}

TEST_F(Safe_Svg_Test, LinkOutOfTheFolderIsRefused)
{
    std::error_code ec;
    fs::create_symlink(Outside / "secret.png", Drawing / "link.png", ec);
    fs::create_directory_symlink(Outside, Drawing / "linked", ec);
    if (ec)
        GTEST_SKIP() << "no symbolic links here";
    ASSERT_TRUE(Make(Head + Image("link.png") + Image("linked/secret.png") + "</svg>")) << error;
    EXPECT_EQ(refused, (std::vector<std::string>{"link.png", "linked/secret.png"}));
}

TEST_F(Safe_Svg_Test, NestedDrawingsAreCheckedToo)
{
    // sub/inner.svg shows sub/green.png and tries the secret; it.png is an
    // SVG by content.
    Write_File((Drawing / "sub" / "inner.svg").string(),
               Head + Image("green.png") + Image("../../outside/secret.png") + "</svg>");
    Write_File((Drawing / "it.png").string(), "  " + Head + Image("sub/green.png") + "</svg>");
    ASSERT_TRUE(
        Make(Head + Image("sub/inner.svg") + Image("it.png") + Image("sub/inner.svg") + "</svg>"))
        << error;
    EXPECT_EQ(refused, std::vector<std::string>{"../../outside/secret.png"});
    EXPECT_EQ(made, 2); // the same drawing twice is one copy
    std::string first = (Copies / "copy0.svg").string(), second = (Copies / "copy1.svg").string();
    EXPECT_EQ(Copy(), Head + Image(fs::absolute(first).string()) +
                          Image(fs::absolute(second).string()) +
                          Image(fs::absolute(first).string()) + "</svg>");
    std::string sub = Abs(Drawing / "sub" / "green.png");
    EXPECT_EQ(Read_File(first), Head + Image(sub) + Image(Refused_Reference_Picture) + "</svg>");
    EXPECT_EQ(Read_File(second), "  " + Head + Image(sub) + "</svg>");
}

TEST_F(Safe_Svg_Test, CyclesAndDeepNestingEnd)
{
    Write_File((Drawing / "a.svg").string(), Head + Image("b.svg") + "</svg>");
    Write_File((Drawing / "b.svg").string(), Head + Image("a.svg") + "</svg>");
    for (int i = 0; i < 12; ++i)
        Write_File((Drawing / ("d" + std::to_string(i) + ".svg")).string(),
                   Head + Image("d" + std::to_string(i + 1) + ".svg") + "</svg>");
    Write_File((Drawing / "d12.svg").string(), Head + "</svg>");
    ASSERT_TRUE(Make(Head + Image("a.svg") + Image("drawing.svg") + Image("d0.svg") + "</svg>"))
        << error;
    // a -> b -> a closes the circle; the drawing itself; d8 is the ninth level.
    EXPECT_EQ(refused, (std::vector<std::string>{"a.svg", "drawing.svg", "d8.svg"}));
}

TEST_F(Safe_Svg_Test, StylesMayOnlyNameTheirOwnContent)
{
    std::string content =
        Head + "<rect style=\"fill:url(#g);stroke:URL( '/etc/x.png' )\" "
               "filter='url(other.svg#f)' mask='url(#m)'/>"
               "<style>@import url(http://x/a.css); rect { fill: url(&#47;etc/y.png) }</style>"
               "<style type=\"text/css\"><![CDATA[ @import \"b.css\"; a > b { fill: url(\"#k\") }"
               " c { background: url(c.png) } ]]></style></svg>";
    ASSERT_TRUE(Make(content)) << error;
    EXPECT_EQ(refused,
              (std::vector<std::string>{"/etc/x.png", "other.svg#f", "@import url(http://x/a.css);",
                                        "/etc/y.png", "@import \"b.css\";", "c.png"}));
    std::string blank = Refused_Reference_Picture;
    EXPECT_EQ(Copy(),
              Head + "<rect style=\"fill:url(#g);stroke:url(" + blank + ")\" filter='url(" + blank +
                  ")' mask='url(#m)'/><style> rect { fill: url(" + blank +
                  ") }</style><style type=\"text/css\"><![CDATA[  a > b { fill: url(\"#k\") }"
                  " c { background: url(" +
                  blank + ") } ]]></style></svg>");
}

TEST_F(Safe_Svg_Test, DeclarationsThatReadFilesAreRemoved)
{
    std::string content =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<?xml-stylesheet type=\"text/css\" href=\"/etc/style.css\"?>\n"
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"svg11.dtd\" [\n"
        "  <!ENTITY secret SYSTEM \"file:///etc/passwd\">\n  <!ENTITY ns \"http://a/b\">\n"
        "  <!ENTITY % p SYSTEM \"http://x/p.dtd\"> %p;\n"
        "  <!ATTLIST image xlink:href CDATA \"/etc/x.png\">\n]>\n" +
        Head +
        "<text id=\"&ns;\">&secret; &amp; &#65;</text>"
        "<xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"green.png\" "
        "parse=\"text\"/></svg>";
    ASSERT_TRUE(Make(content)) << error;
    EXPECT_EQ(refused, (std::vector<std::string>{
                           "<?xml-stylesheet type=\"text/css\" href=\"/etc/style.css\"?>",
                           "file:///etc/passwd", "http://x/p.dtd", "green.png"}));
    EXPECT_EQ(Copy(), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n\n" + Head +
                          "<text id=\"&amp;ns;\">&amp;secret; &amp; &#65;</text>"
                          "<xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"" +
                          Refused_Reference_Picture + "\" parse=\"text\"/></svg>");
}

TEST_F(Safe_Svg_Test, EverythingElseIsCopiedUnchanged)
{
    std::string content =
        "\xEF\xBB\xBF<?xml version='1.0'?>\r\n<!DOCTYPE svg>\r\n<!-- <image href=\"/etc/a.png\"/> "
        "-->" +
        Head +
        "<desc><![CDATA[<image href=\"/etc/b.png\"/>]]></desc>"
        "<text x = '1'\ty=\"2\">url(/etc/c.png) &lt;href=\"/x\"&gt; \xC3\xA9</text>"
        "<path d=\"M0 0L1 1\" /><?pi data?></svg>\n";
    ASSERT_TRUE(Make(content)) << error;
    EXPECT_TRUE(refused.empty());
    EXPECT_EQ(Copy(), content);
}

TEST_F(Safe_Svg_Test, Utf16IsWrittenAsUtf8)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + Head +
                       "<text>\xE2\x82\xAC</text>" + Image("../red.png") + "</svg>";
    std::string utf16 = "\xFF\xFE";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\xE2\x82\xAC") == 0) {
            utf16 += "\xAC\x20";
            i += 2;
        } else {
            utf16 += std::string{text[i], '\0'};
        }
    }
    ASSERT_TRUE(Make(utf16)) << error;
    EXPECT_EQ(refused, std::vector<std::string>{"../red.png"});
    EXPECT_EQ(Copy(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + Head +
                          "<text>\xE2\x82\xAC</text>" + Image(Refused_Reference_Picture) +
                          "</svg>");
}

TEST_F(Safe_Svg_Test, UncheckableDrawingsAreRefused)
{
    const std::string bad[] = {
        // Bytes that hide markup from a text scanner.
        "<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + Head +
            "+ADw-image href=\"/etc/x.png\"/+AD4-</svg>",
        std::string("\x1F\x8B\x08\x00\x00\x00", 6),
        std::string("\x00\x00\x00<\x00\x00\x00s", 8),
        // Markup the converter fails on as well.
        Head + "<image xlink:href=/etc/x.png/></svg>",
        Head + "<image xlink:href=\"/etc/x.png/></svg>",
        Head + "<image x=\"1\"xlink:href=\"/etc/x.png\"/></svg>",
        Head + "<!-- open",
        Head + "<![CDATA[ open",
        Head + "<!ENTITY x SYSTEM \"/etc/passwd\">",
        "<!DOCTYPE svg [ <!ENTITY x \"y\"> " + Head,
        Head + "<image",
    };
    for (const std::string& content : bad) {
        SCOPED_TRACE(content);
        EXPECT_FALSE(Make(content));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(fs::exists(Safe));
    }
    EXPECT_FALSE(
        Write_Safe_Svg((Drawing / "missing.svg").string(), Safe, Private_Name, refused, error));
    ASSERT_TRUE(Make(Head + "</svg>"));
    EXPECT_FALSE(Write_Safe_Svg((Drawing / "drawing.svg").string(),
                                (root.Path / "no" / "x.svg").string(), Private_Name, refused,
                                error));
}

// ---- With the real converter ----------------------------------------------

std::string Converter()
{
#ifdef _WIN32
    return ""; // no real converter under the Windows test runner
#else
    std::error_code ec;
    auto linked = fs::canonical(VARNOLT_BUILD_DIR "/imagemagick/convert", ec);
    if (!ec)
        return linked.string();
    return fs::exists("/usr/bin/convert-im6.q16") ? "/usr/bin/convert-im6.q16" : "";
#endif
}

class Safe_Svg_Render_Test : public Safe_Svg_Test {
protected:
    void SetUp() override
    {
        if (Converter().empty())
            GTEST_SKIP() << "no converter";
        fs::create_directories(Elsewhere);
    }

    // Renders the checked copy from another current folder with the
    // program's policy; the colours at x = 5, 25, 45, 65.
    std::vector<std::string> Render()
    {
        std::string channel, output = (root.Path / "out.png").string();
        // The converter's own temporary files stay in the test's folder.
        std::string environment =
            "MAGICK_CONFIGURE_PATH=" + os::Quote_Argument(VARNOLT_BUILD_DIR "/imagemagick") +
            " MAGICK_TEMPORARY_PATH=" + os::Quote_Argument(root.Path.string()) + " ";
        auto run = os::Run_Captured(environment + os::Quote_Argument(Converter()) + " " +
                                        os::Quote_Argument("svg:" + Safe) + " " +
                                        os::Quote_Argument("png:" + output),
                                    Elsewhere.string(), channel, nullptr);
        EXPECT_EQ(run.Exit_Code, 0) << channel;
        std::vector<std::string> colours;
        for (int x : {5, 25, 45, 65}) {
            channel.clear();
            os::Run_Captured(
                os::Quote_Argument(Converter()) + " " + os::Quote_Argument(output) + " -format " +
                    os::Quote_Argument("%[pixel:p{" + std::to_string(x) + ",5}]") + " info:",
                Elsewhere.string(), channel, nullptr);
            colours.push_back(channel);
        }
        return colours;
    }

    fs::path Elsewhere = root.Path / "elsewhere";
    const std::string green = "srgb(0,255,0)", red = "srgb(255,0,0)";
};

TEST_F(Safe_Svg_Render_Test, OnlyPicturesInTheFolderAppear)
{
    ASSERT_TRUE(Make(Head + Image("green.png", 0) + Image("sub/green.png", 20) +
                     Image((Outside / "secret.png").string(), 40) + Image("../red.png", 60) +
                     "</svg>"))
        << error;
    auto colours = Render();
    EXPECT_EQ(colours[0], green);
    EXPECT_EQ(colours[1], green);
    EXPECT_NE(colours[2], red);
    EXPECT_NE(colours[3], red);
}

TEST_F(Safe_Svg_Render_Test, AbsolutePathToAPrivatePictureShowsNothing)
{
    // Renders as it stands: the unchecked drawing would show the secret.
    ASSERT_TRUE(Make(Head + Image((Outside / "secret.png").string()) +
                     "<rect x=\"20\" width=\"20\" height=\"20\" fill=\"lime\"/></svg>"))
        << error;
    auto colours = Render();
    EXPECT_NE(colours[0], red);
    EXPECT_EQ(colours[1], green);
}

TEST_F(Safe_Svg_Render_Test, NestedDrawingLinksAndAddressesShowNothingOutside)
{
    Write_File((Drawing / "inner.svg").string(),
               Head + Image("green.png") + Image((Outside / "secret.png").string(), 20) + "</svg>");
    std::error_code ec;
    fs::create_symlink(Outside / "secret.png", Drawing / "link.png", ec);
    ASSERT_TRUE(Make(Head + "<image width=\"40\" height=\"20\" xlink:href=\"inner.svg\"/>" +
                     Image("link.png", 40) + Image("http://127.0.0.1:9/red.png", 60) + "</svg>"))
        << error;
    auto colours = Render();
    EXPECT_EQ(colours[0], green);
    EXPECT_NE(colours[1], red);
    EXPECT_NE(colours[2], red);
    EXPECT_NE(colours[3], red);
}

TEST_F(Safe_Svg_Render_Test, StandInPictureIsTransparent)
{
    ASSERT_TRUE(Make(Head + "<rect width=\"80\" height=\"20\" fill=\"green\"/>" +
                     Image("missing.png") + "</svg>"))
        << error;
    EXPECT_EQ(Render()[0], "srgb(0,128,0)");
}

} // namespace
