#include "engine/svg_references.h"

#include "platform/os_platform.h"
#include "engine/xml_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>

const char* const Refused_Reference_Picture =
    "data:image/png;base64,"
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAAC0lEQVR42mNgAAIAAAUAAen63NgAAAAASUVORK5CYII=";

namespace {

namespace fs = std::filesystem;

constexpr int Max_Nesting = 8;

std::string Path_Utf8(const fs::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool Starts_With_Nocase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && Is_Xml_Space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && Is_Xml_Space(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view Local_Name(std::string_view name)
{
    std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string Escape_Attribute(std::string_view value, char quote)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (c == quote)
                out += quote == '"' ? "&quot;" : "&apos;";
            else
                out += c;
        }
    }
    return out;
}

std::string Escape_Text(std::string_view value)
{
    std::string out;
    for (char c : value) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// ---- Reading the drawing ------------------------------------------------

// The encodings in which every ASCII byte stands for itself and nothing
// else does: markup the scanner reads is markup the parser reads.
bool Ascii_Compatible(std::string name)
{
    name = Lower(name);
    for (std::string_view prefix : {"iso-8859-", "iso8859-", "iso_8859-", "windows-125", "cp125"})
        if (name.starts_with(prefix) && name.size() > prefix.size() &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return true;
    for (std::string_view plain : {"utf-8", "utf8", "us-ascii", "ascii", "latin1", "latin-1"})
        if (name == plain)
            return true;
    return false;
}

// The encoding named by the XML declaration at the start of `text`: where
// its value lies, or npos when there is none.
std::size_t Declared_Encoding(std::string_view text, std::size_t& length)
{
    std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    if (text.compare(start, 6, "<?xml ") != 0 && text.compare(start, 6, "<?xml\t") != 0 &&
        text.compare(start, 6, "<?xml\n") != 0 && text.compare(start, 6, "<?xml\r") != 0)
        return std::string_view::npos;
    std::size_t end = text.find("?>", start);
    if (end == std::string_view::npos)
        return std::string_view::npos;
    std::size_t key = text.substr(0, end).find("encoding", start);
    if (key == std::string_view::npos)
        return std::string_view::npos;
    std::size_t at = key + 8;
    while (at < end && (Is_Xml_Space(text[at]) || text[at] == '='))
        ++at;
    if (at >= end || (text[at] != '"' && text[at] != '\''))
        return std::string_view::npos;
    std::size_t close = text.find(text[at], at + 1);
    if (close == std::string_view::npos || close > end)
        return std::string_view::npos;
    length = close - at - 1;
    return at + 1;
}

bool Load_Svg_Text(const fs::path& path, std::string& text, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "The SVG file cannot be opened.";
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) {
        error = "The SVG file cannot be read.";
        return false;
    }
    std::string_view data = text;
    auto starts = [&](std::string_view bytes) { return data.starts_with(bytes); };
    using namespace std::string_view_literals;
    if (starts("\x1F\x8B"sv)) {
        error = "Compressed SVG files cannot be checked.";
        return false;
    }
    if (starts("\x00\x00\xFE\xFF"sv) || starts("\xFF\xFE\x00\x00"sv) || starts("\x00\x00\x00<"sv) ||
        starts("<\x00\x00\x00"sv) || starts("\x4C\x6F\xA7\x94"sv)) {
        error = "The SVG's character encoding is not supported.";
        return false;
    }
    bool utf16 = true, big_endian = false;
    if (starts("\xFF\xFE"sv))
        data.remove_prefix(2);
    else if (starts("\xFE\xFF"sv))
        data.remove_prefix(2), big_endian = true;
    else if (starts("<\x00"sv))
        ;
    else if (starts("\x00<"sv))
        big_endian = true;
    else
        utf16 = false;
    std::size_t length = 0;
    if (utf16) {
        text = Utf16_To_Utf8(data, big_endian);
        std::size_t at = Declared_Encoding(text, length);
        if (at != std::string::npos)
            text.replace(at, length, "UTF-8");
        return true;
    }
    std::size_t at = Declared_Encoding(text, length);
    if (at != std::string::npos && !Ascii_Compatible(text.substr(at, length))) {
        error =
            "The SVG's character encoding \"" + text.substr(at, length) + "\" is not supported.";
        return false;
    }
    return true;
}

bool Write_Text(const fs::path& path, const std::string& text, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        error = "The checked copy of the SVG cannot be written.";
        return false;
    }
    return true;
}

// ---- What a referenced file holds ---------------------------------------

enum class Content { Raster, Svg, Other };

Content Classify(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(512, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::string_view data = head;
    std::string extension = Lower(Path_Utf8(path.extension()));
    using namespace std::string_view_literals;

    if (extension == ".svg" || extension == ".svgz" || data.starts_with("\xEF\xBB\xBF") ||
        data.starts_with("\xFF\xFE"sv) || data.starts_with("\xFE\xFF"sv) ||
        data.starts_with("<\x00"sv) || data.starts_with("\x00<"sv) ||
        data.starts_with("\x1F\x8B"sv))
        return Content::Svg;
    std::string_view text = Trim(data);
    if (text.starts_with("<"))
        return Content::Svg;

    // The converter picks the decoder by content; an extension naming some
    // other kind of file is refused rather than guessed at.
    static const char* const raster_extensions[] = {
        "",     ".png", ".jpg",  ".jpeg", ".jpe", ".jfif", ".gif", ".bmp",
        ".dib", ".tif", ".tiff", ".webp", ".jp2", ".j2k",  ".j2c", ".jpc",
        ".jpf", ".jpx", ".pbm",  ".pgm",  ".ppm", ".pnm",  ".pam"};
    if (std::find(std::begin(raster_extensions), std::end(raster_extensions), extension) ==
        std::end(raster_extensions))
        return Content::Other;
    bool raster = data.starts_with("\x89PNG\r\n\x1A\n"sv) || data.starts_with("\xFF\xD8\xFF"sv) ||
                  data.starts_with("GIF87a") || data.starts_with("GIF89a") ||
                  data.starts_with("BM") || data.starts_with("II*\x00"sv) ||
                  data.starts_with("MM\x00*"sv) ||
                  (data.starts_with("RIFF") && data.substr(8, 4) == "WEBP") ||
                  data.starts_with("\x00\x00\x00\x0CjP  \r\n\x87\n"sv) ||
                  data.starts_with("\xFF\x4F\xFF\x51"sv) ||
                  (data.size() > 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '7' &&
                   Is_Xml_Space(data[2]));
    return raster ? Content::Raster : Content::Other;
}

// A data: address the renderer may decode: the media type chooses the
// decoder, and only raster pictures read nothing beyond themselves.
bool Safe_Data_Address(std::string_view address)
{
    std::string type = Lower(Trim(address.substr(5, address.find_first_of(";,") - 5)));
    for (std::string_view allowed :
         {"image/png", "image/jpeg", "image/jpg", "image/gif", "image/bmp", "image/webp"})
        if (type == allowed)
            return true;
    return false;
}

int From_Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The local path of a file: address; nothing for another host.
std::optional<std::string> File_Address_Path(std::string_view address)
{
    std::string_view rest = address.substr(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        std::size_t slash = rest.find('/');
        std::string host = Lower(rest.substr(0, slash));
        if (!host.empty() && host != "localhost")
            return std::nullopt;
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
#ifdef _WIN32
        if (rest.size() > 2 && rest[0] == '/' &&
            std::isalpha(static_cast<unsigned char>(rest[1])) && (rest[2] == ':' || rest[2] == '|'))
            rest.remove_prefix(1);
#endif
    }
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && From_Hex(rest[i + 1]) >= 0 &&
            From_Hex(rest[i + 2]) >= 0) {
            path += static_cast<char>(From_Hex(rest[i + 1]) * 16 + From_Hex(rest[i + 2]));
            i += 2;
        } else if (rest[i] == '?' || rest[i] == '#') {
            break;
        } else {
            path += rest[i];
        }
    }
    if (path.empty() || path.find('\0') != std::string::npos)
        return std::nullopt;
    return path;
}

// The scheme of an address ("http", "file", "msl", ...), empty for a path.
std::string Scheme(std::string_view reference)
{
    std::size_t at = 0;
    if (reference.empty() || !std::isalpha(static_cast<unsigned char>(reference[0])))
        return {};
    while (at < reference.size() &&
           (std::isalnum(static_cast<unsigned char>(reference[at])) || reference[at] == '+' ||
            reference[at] == '-' || reference[at] == '.' || reference[at] == '_'))
        ++at;
    if (at >= reference.size() || reference[at] != ':')
        return {};
#ifdef _WIN32
    // "C:\..." and "C:/..." are paths on a drive.
    if (at == 1 && at + 1 < reference.size() && (reference[2] == '\\' || reference[2] == '/'))
        return {};
#endif
    return Lower(reference.substr(0, at));
}

bool Inside(const fs::path& path, const fs::path& folder)
{
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty() && std::next(f) == folder.end())
            return true; // a trailing separator
        if (p == path.end() || *p != *f)
            return false;
    }
    return p != path.end();
}

// ---- The rewriter ---------------------------------------------------------

struct Job {
    fs::path Root;
    const std::function<std::string(const std::string&)>* Private_Name = nullptr;
    std::vector<std::string>* Refused = nullptr;
    std::vector<fs::path> Open;
    std::map<fs::path, std::string> Made;
};

bool Make_Safe_Text(const std::string& text, const fs::path& folder, int depth, Job& job,
                    std::string& out, std::string& error);

class Rewriter {
public:
    Rewriter(std::string_view text, fs::path folder, int depth, Job& job)
        : Text(text), Folder(std::move(folder)), Depth(depth), Work(job)
    {
    }

    bool Run(std::string& out, std::string& error);

private:
    std::string Refuse(std::string_view reference)
    {
        Work.Refused->push_back(std::string(reference));
        return Refused_Reference_Picture;
    }

    std::optional<std::string> Check_Reference(std::string_view reference);
    std::optional<std::string> Check_Path(const std::string& reference, const std::string& path);
    std::optional<std::string> Nested_Svg(const fs::path& svg, const std::string& reference);
    std::string Check_Css(const std::string& css);
    std::string Keep_Entities(std::string_view raw);
    void Copy_Text(std::string_view raw);
    bool Doctype(std::size_t& at, std::string& error);
    bool Start_Tag(std::size_t& at, std::string& error);

    std::string_view Text;
    fs::path Folder;
    int Depth;
    Job& Work;
    std::string Out;
    std::vector<std::string> Removed_Entities;
    bool In_Style = false;
};

std::optional<std::string> Rewriter::Nested_Svg(const fs::path& svg, const std::string& reference)
{
    if (Depth + 1 > Max_Nesting ||
        std::find(Work.Open.begin(), Work.Open.end(), svg) != Work.Open.end())
        return Refuse(reference);
    if (auto made = Work.Made.find(svg); made != Work.Made.end())
        return made->second;
    std::string text, safe, error;
    if (!Load_Svg_Text(svg, text, error))
        return Refuse(reference);
    Work.Open.push_back(svg);
    bool ok = Make_Safe_Text(text, svg.parent_path(), Depth + 1, Work, safe, error);
    Work.Open.pop_back();
    if (!ok)
        return Refuse(reference);
    std::error_code ec;
    fs::path copy = fs::absolute(os::Utf8_Path((*Work.Private_Name)(".svg")), ec);
    if (ec || !Write_Text(copy, safe, error))
        return Refuse(reference);
    std::string name = Path_Utf8(copy);
    Work.Made[svg] = name;
    return name;
}

std::optional<std::string> Rewriter::Check_Path(const std::string& reference,
                                                const std::string& path)
{
    fs::path target = os::Utf8_Path(path);
    if (target.is_relative())
        target = Folder / target;
    std::error_code ec;
    fs::path real = fs::canonical(target, ec);
    if (ec || !Inside(real, Work.Root) || !fs::is_regular_file(real, ec))
        return Refuse(reference);
    switch (Classify(real)) {
    case Content::Raster:
        return Path_Utf8(real);
    case Content::Svg:
        return Nested_Svg(real, reference);
    default:
        return Refuse(reference);
    }
}

// What a reference becomes: nothing when it stays as written.
std::optional<std::string> Rewriter::Check_Reference(std::string_view decoded)
{
    std::string reference(Trim(decoded));
    if (reference.empty() || reference[0] == '#')
        return std::nullopt;
    std::string scheme = Scheme(reference);
    if (scheme == "data")
        return Safe_Data_Address(reference) ? std::nullopt : std::optional(Refuse(reference));
    if (scheme == "file") {
        auto path = File_Address_Path(reference);
        return path ? Check_Path(reference, *path) : Refuse(reference);
    }
    if (!scheme.empty() || reference[0] == '@' || reference.find('\0') != std::string::npos)
        return Refuse(reference);
    return Check_Path(reference, reference);
}

// CSS with every url() naming neither "#id" nor a data: raster picture
// replaced, and @import rules removed.
std::string Rewriter::Check_Css(const std::string& css)
{
    std::string out;
    std::size_t at = 0;
    while (at < css.size()) {
        if (Starts_With_Nocase(std::string_view(css).substr(at), "url(")) {
            std::size_t start = at + 4, end;
            std::string_view argument;
            std::size_t open = start;
            while (open < css.size() && Is_Xml_Space(css[open]))
                ++open;
            if (open < css.size() && (css[open] == '"' || css[open] == '\'')) {
                std::size_t close = css.find(css[open], open + 1);
                close = close == std::string::npos ? css.size() : close;
                argument = std::string_view(css).substr(open + 1, close - open - 1);
                end = css.find(')', std::min(close + 1, css.size()));
            } else {
                end = css.find(')', start);
                argument = std::string_view(css).substr(start, std::min(end, css.size()) - start);
            }
            end = end == std::string::npos ? css.size() : end + 1;
            std::string_view reference = Trim(argument);
            if (reference.starts_with("#") ||
                (Scheme(reference) == "data" && Safe_Data_Address(reference))) {
                out.append(css, at, end - at);
            } else {
                out += "url(" + Refuse(reference) + ")";
            }
            at = end;
        } else if (Starts_With_Nocase(std::string_view(css).substr(at), "@import")) {
            std::size_t end = css.find(';', at);
            end = end == std::string::npos ? css.size() : end + 1;
            Work.Refused->push_back(std::string(Trim(std::string_view(css).substr(at, end - at))));
            at = end;
        } else {
            out += css[at++];
        }
    }
    return out;
}

// Raw markup text with references to removed entities turned into plain
// text: the parser would stop at an undeclared entity.
std::string Rewriter::Keep_Entities(std::string_view raw)
{
    if (Removed_Entities.empty())
        return std::string(raw);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        out += raw[i];
        if (raw[i] != '&')
            continue;
        std::size_t end = raw.find(';', i);
        if (end != std::string_view::npos &&
            std::find(Removed_Entities.begin(), Removed_Entities.end(),
                      raw.substr(i + 1, end - i - 1)) != Removed_Entities.end())
            out += "amp;";
    }
    return out;
}

void Rewriter::Copy_Text(std::string_view raw)
{
    if (In_Style) {
        std::string decoded = Decode_References(raw);
        std::string css = Check_Css(decoded);
        if (css != decoded) {
            Out += Escape_Text(css);
            return;
        }
    }
    Out += Keep_Entities(raw);
}

// A DOCTYPE declaration: kept when it only names the root element; removed
// with its external identifier or internal subset otherwise.
bool Rewriter::Doctype(std::size_t& at, std::string& error)
{
    std::size_t start = at, subset = std::string_view::npos;
    at = Declaration_End(Text, start, subset);
    if (at == std::string_view::npos) {
        error = "The SVG's DOCTYPE declaration does not end.";
        return false;
    }
    std::string_view declaration = Text.substr(start, at - start);
    std::string_view head = declaration.substr(0, std::min(subset, declaration.size()));
    bool external = head.find("SYSTEM") != std::string_view::npos ||
                    head.find("PUBLIC") != std::string_view::npos;
    if (!external && subset == std::string_view::npos) {
        Out += declaration;
        return true;
    }
    // Entity names, and the files and addresses of external entities.
    for (std::size_t entity = declaration.find("<!ENTITY"); entity != std::string_view::npos;
         entity = declaration.find("<!ENTITY", entity + 8)) {
        std::size_t end = declaration.find('>', entity);
        std::string_view body = Trim(declaration.substr(
            entity + 8, end == std::string_view::npos ? std::string_view::npos : end - entity - 8));
        bool parameter = body.starts_with("%");
        if (parameter)
            body = Trim(body.substr(1));
        std::size_t name_end = 0;
        while (name_end < body.size() && Is_Name_Char(body[name_end]))
            ++name_end;
        if (!parameter)
            Removed_Entities.emplace_back(body.substr(0, name_end));
        std::string_view rest = Trim(body.substr(name_end));
        if (rest.starts_with("SYSTEM") || rest.starts_with("PUBLIC")) {
            std::size_t last = rest.find_last_of("\"'");
            std::size_t first = last == std::string_view::npos || last == 0
                                    ? std::string_view::npos
                                    : rest.find_last_of(rest[last], last - 1);
            Work.Refused->push_back(std::string(
                first == std::string_view::npos ? rest : rest.substr(first + 1, last - first - 1)));
        }
    }
    return true;
}

bool Rewriter::Start_Tag(std::size_t& at, std::string& error)
{
    std::size_t pos = at + 1;
    while (pos < Text.size() && Is_Name_Char(Text[pos]))
        ++pos;
    std::string_view name = Text.substr(at + 1, pos - at - 1);
    if (name.empty()) {
        error = "The SVG has a malformed tag.";
        return false;
    }
    std::string element = Lower(Local_Name(name));
    Out += Text.substr(at, pos - at);
    for (;;) {
        std::size_t space = pos;
        while (pos < Text.size() && Is_Xml_Space(Text[pos]))
            ++pos;
        if (pos >= Text.size())
            break;
        if (Text[pos] == '>' || Text.compare(pos, 2, "/>") == 0) {
            bool empty = Text[pos] == '/';
            pos += empty ? 2 : 1;
            Out += Text.substr(space, pos - space);
            if (element == "style" && !empty)
                In_Style = true;
            at = pos;
            return true;
        }
        std::size_t name_start = pos;
        while (pos < Text.size() && Is_Name_Char(Text[pos]))
            ++pos;
        std::string_view attribute = Text.substr(name_start, pos - name_start);
        while (pos < Text.size() && Is_Xml_Space(Text[pos]))
            ++pos;
        if (space == name_start || attribute.empty() || pos >= Text.size() || Text[pos] != '=')
            break;
        ++pos;
        while (pos < Text.size() && Is_Xml_Space(Text[pos]))
            ++pos;
        if (pos >= Text.size() || (Text[pos] != '"' && Text[pos] != '\''))
            break;
        char quote = Text[pos];
        std::size_t close = Text.find(quote, pos + 1);
        if (close == std::string_view::npos)
            break;
        Out += Text.substr(space, pos + 1 - space);
        std::string_view raw = Text.substr(pos + 1, close - pos - 1);
        std::string decoded = Decode_References(raw);
        std::optional<std::string> replaced;
        // The renderer matches attribute names without regard to case.
        if (Lower(Local_Name(attribute)) == "href") {
            // An XInclude would pull another file into the document.
            replaced = element == "include" ? Refuse(Trim(decoded)) : Check_Reference(decoded);
        } else if (Lower(decoded).find("url(") != std::string::npos ||
                   Lower(decoded).find("@import") != std::string::npos) {
            std::string css = Check_Css(decoded);
            if (css != decoded)
                replaced = css;
        }
        Out += replaced ? Escape_Attribute(*replaced, quote) : Keep_Entities(raw);
        Out += quote;
        pos = close + 1;
    }
    error = "The SVG has a malformed tag <" + std::string(name) + ">.";
    return false;
}

bool Rewriter::Run(std::string& out, std::string& error)
{
    std::size_t at = 0;
    while (at < Text.size()) {
        std::size_t open = Text.find('<', at);
        Copy_Text(Text.substr(at, (open == std::string_view::npos ? Text.size() : open) - at));
        if (open == std::string_view::npos)
            break;
        at = open;
        std::string_view rest = Text.substr(at);
        if (rest.starts_with("<!--")) {
            std::size_t end = Text.find("-->", at + 4);
            if (end == std::string_view::npos) {
                error = "The SVG has a comment that does not end.";
                return false;
            }
            Out += Text.substr(at, end + 3 - at);
            at = end + 3;
        } else if (rest.starts_with("<![CDATA[")) {
            std::size_t end = Text.find("]]>", at + 9);
            if (end == std::string_view::npos) {
                error = "The SVG has a CDATA section that does not end.";
                return false;
            }
            std::string content(Text.substr(at + 9, end - at - 9));
            Out += "<![CDATA[" + (In_Style ? Check_Css(content) : content) + "]]>";
            at = end + 3;
        } else if (rest.starts_with("<!DOCTYPE")) {
            if (!Doctype(at, error))
                return false;
        } else if (rest.starts_with("<?")) {
            std::size_t end = Text.find("?>", at + 2);
            if (end == std::string_view::npos) {
                error = "The SVG has a processing instruction that does not end.";
                return false;
            }
            std::string_view instruction = Text.substr(at, end + 2 - at);
            std::size_t name_end = 2;
            while (name_end < instruction.size() && Is_Name_Char(instruction[name_end]))
                ++name_end;
            // A style sheet would be fetched from wherever it names.
            if (Lower(instruction.substr(2, name_end - 2)) == "xml-stylesheet")
                Work.Refused->push_back(std::string(instruction));
            else
                Out += instruction;
            at = end + 2;
        } else if (rest.starts_with("</")) {
            std::size_t end = Text.find('>', at);
            if (end == std::string_view::npos) {
                error = "The SVG has an end tag that does not end.";
                return false;
            }
            std::string_view name = Trim(Text.substr(at + 2, end - at - 2));
            if (Lower(Local_Name(name)) == "style")
                In_Style = false;
            Out += Text.substr(at, end + 1 - at);
            at = end + 1;
        } else if (rest.starts_with("<!")) {
            error = "The SVG has an unexpected markup declaration.";
            return false;
        } else if (!Start_Tag(at, error)) {
            return false;
        }
    }
    out = std::move(Out);
    return true;
}

bool Make_Safe_Text(const std::string& text, const fs::path& folder, int depth, Job& job,
                    std::string& out, std::string& error)
{
    return Rewriter(text, folder, depth, job).Run(out, error);
}

} // namespace

bool Write_Safe_Svg(const std::string& svg_file, const std::string& output,
                    const std::function<std::string(const std::string& suffix)>& private_name,
                    std::vector<std::string>& refused, std::string& error)
{
    std::error_code ec;
    fs::path svg = fs::canonical(os::Utf8_Path(svg_file), ec);
    if (ec) {
        error = "The SVG file cannot be found.";
        return false;
    }
    std::string text, safe;
    if (!Load_Svg_Text(svg, text, error))
        return false;
    Job job;
    job.Root = svg.parent_path();
    job.Private_Name = &private_name;
    job.Refused = &refused;
    job.Open.push_back(svg);
    if (!Make_Safe_Text(text, svg.parent_path(), 0, job, safe, error))
        return false;
    return Write_Text(os::Utf8_Path(output), safe, error);
}
