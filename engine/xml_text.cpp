#include "engine/xml_text.h"

#include <charconv>

bool Is_Xml_Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool Is_Name_Char(char c)
{
    return !Is_Xml_Space(c) && c != '=' && c != '>' && c != '/' && c != '<' && c != '"' &&
           c != '\'' && c != '?' && c != '!';
}

void Append_Utf8(std::string& out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

namespace {

// The character a reference's name stands for; false when it is none.
bool Reference_Code(std::string_view name, unsigned long& code)
{
    auto number = [&](std::size_t skip, int base) {
        auto r = std::from_chars(name.data() + skip, name.data() + name.size(), code, base);
        return r.ec == std::errc{} && r.ptr == name.data() + name.size();
    };
    if (name.starts_with("#x"))
        return number(2, 16);
    if (name.starts_with("#"))
        return number(1, 10);
    static const std::pair<std::string_view, char> predefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, character] : predefined)
        if (name == entity) {
            code = static_cast<unsigned char>(character);
            return true;
        }
    return false;
}

} // namespace

std::string Decode_References(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        std::size_t end = value[i] == '&' ? value.find(';', i) : std::string_view::npos;
        unsigned long code = 0;
        if (end == std::string_view::npos || end - i > 16 ||
            !Reference_Code(value.substr(i + 1, end - i - 1), code) || code == 0 ||
            code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            out += value[i];
            continue;
        }
        Append_Utf8(out, code);
        i = end;
    }
    return out;
}

std::string Utf16_To_Utf8(std::string_view data, bool big_endian)
{
    std::string out;
    out.reserve(data.size() / 2);
    auto unit_at = [&](std::size_t i) -> unsigned {
        unsigned a = static_cast<unsigned char>(data[i]),
                 b = static_cast<unsigned char>(data[i + 1]);
        return big_endian ? a << 8 | b : b << 8 | a;
    };
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        unsigned long code = unit_at(i);
        if (code >= 0xD800 && code < 0xDC00 && i + 3 < data.size()) {
            unsigned low = unit_at(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (code >= 0xD800 && code < 0xE000)
            code = 0xFFFD;
        Append_Utf8(out, code);
    }
    return out;
}

std::size_t Declaration_End(std::string_view text, std::size_t at, std::size_t& subset)
{
    subset = std::string_view::npos;
    int depth = 0;
    char quote = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (text.compare(i, 4, "<!--") == 0) {
            std::size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos)
                return std::string_view::npos;
            i = end + 2;
        } else if (c == '[') {
            if (subset == std::string_view::npos)
                subset = i - at;
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth <= 0) {
            return i + 1;
        }
    }
    return std::string_view::npos;
}
