#include "engine/declared_size.h"

#include "platform/os_platform.h"
#include "engine/xml_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

long long Saturated(double value)
{
    if (!(value < static_cast<double>(Declared_Size_Limit)))
        return Declared_Size_Limit;
    return static_cast<long long>(value);
}

// Up to `count` bytes from `offset`; fewer at the end of the file.
std::string Read_Bytes(std::ifstream& in, std::uint64_t offset, std::size_t count)
{
    std::string data(count, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in)
        return {};
    in.read(data.data(), static_cast<std::streamsize>(count));
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

std::uint32_t Be32(std::string_view data, std::size_t at)
{
    auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i]));
    };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

// ---- PBM, PGM, PPM, PAM -------------------------------------------------

bool Is_Pnm_Space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The next header number, skipping blanks and "#" comments to the line end.
bool Pnm_Number(std::string_view data, std::size_t& at, long long& value)
{
    while (at < data.size()) {
        if (data[at] == '#') {
            while (at < data.size() && data[at] != '\n' && data[at] != '\r')
                ++at;
        } else if (Is_Pnm_Space(data[at])) {
            ++at;
        } else {
            break;
        }
    }
    if (at >= data.size() || !std::isdigit(static_cast<unsigned char>(data[at])))
        return false;
    value = 0;
    while (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at]))) {
        value = std::min(value * 10 + (data[at] - '0'), Declared_Size_Limit);
        ++at;
    }
    return true;
}

bool Pam_Size(std::string_view data, long long& width, long long& height, std::string& error)
{
    width = height = -1;
    std::size_t at = 2;
    while (at < data.size()) {
        std::size_t end = data.find('\n', at);
        if (end == std::string_view::npos)
            break;
        std::string_view line = data.substr(at, end - at);
        at = end + 1;
        std::size_t start = 0;
        while (start < line.size() && Is_Pnm_Space(line[start]))
            ++start;
        line.remove_prefix(start);
        if (line.starts_with("ENDHDR"))
            break;
        long long* target = line.starts_with("WIDTH")    ? &width
                            : line.starts_with("HEIGHT") ? &height
                                                         : nullptr;
        if (target) {
            std::size_t pos = line.find_first_of(" \t");
            if (pos == std::string_view::npos || !Pnm_Number(line, pos, *target)) {
                error = "The PAM header has no valid size.";
                return false;
            }
        }
    }
    if (width < 0 || height < 0) {
        error = "The PAM header has no WIDTH and HEIGHT.";
        return false;
    }
    return true;
}

bool Pnm_Size(std::ifstream& in, long long& width, long long& height, std::string& error)
{
    std::string data = Read_Bytes(in, 0, 64 * 1024);
    if (data.size() < 2 || data[0] != 'P' || data[1] < '1' || data[1] > '7') {
        error = "Not a PBM, PGM, PPM or PAM file.";
        return false;
    }
    if (data[1] == '7')
        return Pam_Size(data, width, height, error);
    std::size_t at = 2;
    if (!Pnm_Number(data, at, width) || !Pnm_Number(data, at, height)) {
        error = "The PBM, PGM or PPM header has no valid size.";
        return false;
    }
    return true;
}

// ---- JPEG 2000 ----------------------------------------------------------

// The SIZ marker right after the codestream's start marker: the reference
// grid's size less the picture's offset on it.
bool Codestream_Size(std::ifstream& in, std::uint64_t offset, long long& width, long long& height,
                     std::string& error)
{
    std::string data = Read_Bytes(in, offset, 24);
    if (data.size() < 24 || static_cast<unsigned char>(data[0]) != 0xFF ||
        static_cast<unsigned char>(data[1]) != 0x4F ||
        static_cast<unsigned char>(data[2]) != 0xFF ||
        static_cast<unsigned char>(data[3]) != 0x51) {
        error = "The JPEG 2000 codestream does not start with a SIZ marker.";
        return false;
    }
    std::uint32_t xsiz = Be32(data, 8), ysiz = Be32(data, 12);
    std::uint32_t xosiz = Be32(data, 16), yosiz = Be32(data, 20);
    if (xosiz >= xsiz || yosiz >= ysiz) {
        error = "The JPEG 2000 SIZ marker declares an empty picture.";
        return false;
    }
    width = xsiz - xosiz;
    height = ysiz - yosiz;
    return true;
}

struct Box {
    std::uint64_t Start = 0, Content = 0, End = 0;
    std::string Type;
};

// The box at `at` within a parent ending at `limit`; false when its header
// is cut short or its length points outside the parent.
bool Read_Box(std::ifstream& in, std::uint64_t at, std::uint64_t limit, Box& box)
{
    std::string header = Read_Bytes(in, at, 16);
    if (header.size() < 8 || limit - at < 8)
        return false;
    std::uint64_t length = Be32(header, 0);
    box.Start = at;
    box.Type = header.substr(4, 4);
    box.Content = at + 8;
    if (length == 1) {
        if (header.size() < 16 || limit - at < 16)
            return false;
        length = std::uint64_t{Be32(header, 8)} << 32 | Be32(header, 12);
        box.Content = at + 16;
        if (length < 16)
            return false;
    } else if (length == 0) {
        length = limit - at;
    } else if (length < 8) {
        return false;
    }
    if (length > limit - at)
        return false;
    box.End = at + length;
    return true;
}

bool Jp2_Size(std::ifstream& in, std::uint64_t file_size, long long& width, long long& height,
              std::string& error)
{
    std::uint64_t at = 0;
    // A file holds a handful of top-level boxes; a bound keeps a forged
    // chain of empty boxes from running long.
    for (int boxes = 0; boxes < 4096 && at < file_size; ++boxes) {
        Box box;
        if (!Read_Box(in, at, file_size, box))
            break;
        if (box.Type == "jp2h") {
            std::uint64_t inner = box.Content;
            for (int count = 0; count < 256 && inner < box.End; ++count) {
                Box child;
                if (!Read_Box(in, inner, box.End, child))
                    break;
                if (child.Type == "ihdr") {
                    std::string content = Read_Bytes(in, child.Content, 8);
                    if (child.End - child.Content < 8 || content.size() < 8)
                        break;
                    height = Be32(content, 0);
                    width = Be32(content, 4);
                    if (width == 0 || height == 0) {
                        error = "The JP2 header declares an empty picture.";
                        return false;
                    }
                    return true;
                }
                inner = child.End;
            }
            error = "The JP2 header box has no valid image header.";
            return false;
        }
        // A file without a header box still has the codestream's own size.
        if (box.Type == "jp2c")
            return Codestream_Size(in, box.Content, width, height, error);
        at = box.End;
    }
    error = "The JP2 file has no image header.";
    return false;
}

bool Jpeg2000_Size(std::ifstream& in, std::uint64_t file_size, long long& width, long long& height,
                   std::string& error)
{
    std::string start = Read_Bytes(in, 0, 12);
    static const char signature[] = "\x00\x00\x00\x0CjP  \x0D\x0A\x87\x0A";
    if (start.size() == 12 && start == std::string_view(signature, 12))
        return Jp2_Size(in, file_size, width, height, error);
    if (start.size() >= 2 && static_cast<unsigned char>(start[0]) == 0xFF &&
        static_cast<unsigned char>(start[1]) == 0x4F)
        return Codestream_Size(in, 0, width, height, error);
    error = "Not a JPEG 2000 file.";
    return false;
}

// ---- SVG ----------------------------------------------------------------

// Follows the converter's reading of the root element: attributes in the
// order written, a percentage taken of the viewBox read so far, "em" and
// "ex" of the font size set so far.
struct Svg_Size_State {
    double View_Width = 0, View_Height = 0;
    double Font_Size = 12; // the converter's default point size
    double Width = 0, Height = 0;
};

bool Parse_Number(std::string_view text, std::size_t& at, double& value)
{
    std::size_t start = at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    bool digits = false;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        ++at, digits = true;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
            ++at, digits = true;
    }
    if (!digits) {
        at = start;
        return false;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t mark = at++;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
                ++at;
        } else {
            at = mark;
        }
    }
    std::string number(text.substr(start, at - start));
    if (number[0] == '+')
        number.erase(0, 1);
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = number[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    else if (result.ec != std::errc{})
        return false;
    return true;
}

// A length in pixels. The converter counts 96 pixels per inch for in, cm,
// mm and pc, but one pixel per pt; a percentage is of the viewBox side
// (`view`), 0 before a viewBox is known.
double Svg_Length(std::string_view text, double view, double font_size)
{
    std::size_t at = 0;
    while (at < text.size() && Is_Xml_Space(text[at]))
        ++at;
    double value = 0;
    if (!Parse_Number(text, at, value))
        return 0;
    if (text.find('%') != std::string_view::npos)
        return view * value / 100.0;
    while (at < text.size() && Is_Xml_Space(text[at]))
        ++at;
    std::string unit;
    for (; at < text.size() && unit.size() < 2; ++at)
        unit += static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
    if (unit == "cm")
        return 96.0 / 2.54 * value;
    if (unit == "mm")
        return 96.0 / 25.4 * value;
    if (unit == "in")
        return 96.0 * value;
    if (unit == "pc")
        return 16.0 * value;
    if (unit == "em")
        return font_size * value;
    if (unit == "ex")
        return font_size * value / 2.0;
    return value; // px, pt, none
}

// "font-size" from a style attribute, when it sets one.
bool Style_Font_Size(std::string_view style, std::string_view& value)
{
    std::size_t at = 0;
    while (at < style.size()) {
        std::size_t end = std::min(style.find(';', at), style.size());
        std::string_view item = style.substr(at, end - at);
        std::size_t colon = item.find(':');
        if (colon != std::string_view::npos) {
            std::string_view name = item.substr(0, colon);
            while (!name.empty() && Is_Xml_Space(name.front()))
                name.remove_prefix(1);
            while (!name.empty() && Is_Xml_Space(name.back()))
                name.remove_suffix(1);
            if (name == "font-size") {
                value = item.substr(colon + 1);
                return true;
            }
        }
        at = end + 1;
    }
    return false;
}

void Apply_Svg_Attribute(std::string_view name, std::string_view value, Svg_Size_State& state)
{
    std::string key;
    for (char c : name)
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (key == "width") {
        state.Width = Svg_Length(value, state.View_Width, state.Font_Size);
    } else if (key == "height") {
        state.Height = Svg_Length(value, state.View_Height, state.Font_Size);
    } else if (key == "viewbox") {
        double numbers[4] = {};
        std::size_t at = 0;
        for (double& number : numbers) {
            while (at < value.size() && (Is_Xml_Space(value[at]) || value[at] == ','))
                ++at;
            if (!Parse_Number(value, at, number))
                return;
        }
        state.View_Width = numbers[2];
        state.View_Height = numbers[3];
    } else if (key == "font-size") {
        state.Font_Size = Svg_Length(value, 0, state.Font_Size);
    } else if (key == "style") {
        std::string_view size;
        if (Style_Font_Size(value, size))
            state.Font_Size = Svg_Length(size, 0, state.Font_Size);
    }
}

enum class Scan { Done, More, Bad };

// Finds `end` from `at`; More when the text read so far does not hold it.
Scan Skip_Past(std::string_view text, std::size_t& at, std::string_view end)
{
    std::size_t found = text.find(end, at);
    if (found == std::string_view::npos)
        return Scan::More;
    at = found + end.size();
    return Scan::Done;
}

// A DOCTYPE declaration, its internal subset with quoted strings and
// comments included.
Scan Skip_Doctype(std::string_view text, std::size_t& at)
{
    std::size_t subset = 0, end = Declaration_End(text, at, subset);
    if (end == std::string_view::npos)
        return Scan::More;
    at = end;
    return Scan::Done;
}

Scan Svg_Root_Size(std::string_view text, long long& width, long long& height, std::string& error)
{
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && Is_Xml_Space(text[at]))
            ++at;
        if (at >= text.size())
            return Scan::More;
        if (text[at] != '<') {
            error = "The file does not start with XML markup.";
            return Scan::Bad;
        }
        Scan step;
        if (text.compare(at, 2, "<?") == 0)
            step = Skip_Past(text, at, "?>");
        else if (text.compare(at, 4, "<!--") == 0)
            step = Skip_Past(text, at, "-->");
        else if (text.compare(at, 2, "<!") == 0)
            step = Skip_Doctype(text, at);
        else
            break;
        if (step != Scan::Done)
            return step;
    }
    std::size_t name_start = ++at;
    while (at < text.size() && Is_Name_Char(text[at]))
        ++at;
    if (at >= text.size())
        return Scan::More;
    std::string_view name = text.substr(name_start, at - name_start);
    if (std::size_t colon = name.rfind(':'); colon != std::string_view::npos)
        name.remove_prefix(colon + 1);
    if (name != "svg") {
        error = "The root element is not <svg>.";
        return Scan::Bad;
    }
    Svg_Size_State state;
    std::vector<std::string_view> seen;
    for (;;) {
        while (at < text.size() && Is_Xml_Space(text[at]))
            ++at;
        if (at >= text.size())
            return Scan::More;
        if (text[at] == '>' || text[at] == '/')
            break;
        std::size_t attribute_start = at;
        while (at < text.size() && Is_Name_Char(text[at]))
            ++at;
        std::string_view attribute = text.substr(attribute_start, at - attribute_start);
        while (at < text.size() && Is_Xml_Space(text[at]))
            ++at;
        if (at >= text.size())
            return Scan::More;
        if (attribute.empty() || text[at] != '=') {
            error = "The <svg> element's attributes are malformed.";
            return Scan::Bad;
        }
        ++at;
        while (at < text.size() && Is_Xml_Space(text[at]))
            ++at;
        if (at >= text.size())
            return Scan::More;
        char quote = text[at];
        if (quote != '"' && quote != '\'') {
            error = "The <svg> element's attributes are malformed.";
            return Scan::Bad;
        }
        std::size_t end = text.find(quote, at + 1);
        if (end == std::string_view::npos)
            return Scan::More;
        if (std::find(seen.begin(), seen.end(), attribute) != seen.end()) {
            error = "The <svg> element repeats an attribute.";
            return Scan::Bad;
        }
        seen.push_back(attribute);
        Apply_Svg_Attribute(attribute, Decode_References(text.substr(at + 1, end - at - 1)), state);
        at = end + 1;
    }
    double w = state.Width > 0 ? state.Width : state.View_Width;
    double h = state.Height > 0 ? state.Height : state.View_Height;
    w = std::floor(w + 0.5);
    h = std::floor(h + 0.5);
    if (!(w >= 1) || !(h >= 1)) {
        error = "The SVG declares no picture size.";
        return Scan::Bad;
    }
    width = Saturated(w);
    height = Saturated(h);
    return Scan::Done;
}

bool Svg_Size(std::ifstream& in, long long& width, long long& height, std::string& error)
{
    // Read until the root element's start tag is complete; a prologue of
    // comments bigger than this is not a drawing to render.
    constexpr std::size_t limit = 16 * 1024 * 1024;
    std::string data;
    std::size_t chunk = 4096;
    for (;;) {
        std::string more = Read_Bytes(in, data.size(), chunk);
        bool at_end = more.size() < chunk;
        data += more;
        chunk = std::min(chunk * 4, limit);
        std::string_view view = data;
        if (view.size() >= 2 && static_cast<unsigned char>(view[0]) == 0x1F &&
            static_cast<unsigned char>(view[1]) == 0x8B) {
            error = "The SVG is compressed.";
            return false;
        }
        std::string text;
        if (view.starts_with("\xEF\xBB\xBF"))
            view.remove_prefix(3);
        if (view.starts_with("\xFF\xFE") || view.starts_with(std::string_view("<\0", 2)))
            text = Utf16_To_Utf8(view.substr(view.starts_with("\xFF\xFE") ? 2 : 0), false);
        else if (view.starts_with("\xFE\xFF") || view.starts_with(std::string_view("\0<", 2)))
            text = Utf16_To_Utf8(view.substr(view.starts_with("\xFE\xFF") ? 2 : 0), true);
        else
            text = view;
        Scan result = Svg_Root_Size(text, width, height, error);
        if (result == Scan::Done)
            return true;
        if (result == Scan::Bad)
            return false;
        if (at_end || data.size() >= limit) {
            error = at_end ? "The SVG ends before its <svg> element does."
                           : "No <svg> element in the first 16 MB.";
            return false;
        }
    }
}

} // namespace

bool Read_Declared_Size(const std::string& file, const std::string& format, long long& width,
                        long long& height, std::string& error)
{
    width = height = 0;
    std::error_code ec;
    fs::path path = os::Utf8_Path(file);
    std::uint64_t size = fs::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in) {
        error = "The file cannot be read.";
        return false;
    }
    bool ok;
    if (format == "svg")
        ok = Svg_Size(in, width, height, error);
    else if (format == "j2k")
        ok = Jpeg2000_Size(in, size, width, height, error);
    else if (format == "ppm")
        ok = Pnm_Size(in, width, height, error);
    else {
        error = "No header reader for the format \"" + format + "\".";
        ok = false;
    }
    if (ok && (width <= 0 || height <= 0)) {
        error = "The header declares an empty picture.";
        ok = false;
    }
    if (!ok) {
        width = height = 0;
        return false;
    }
    width = std::min(width, Declared_Size_Limit);
    height = std::min(height, Declared_Size_Limit);
    return true;
}
