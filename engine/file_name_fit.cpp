#include "engine/file_name_fit.h"

namespace {

// The longest prefix of `text` within `limit` bytes that ends on a UTF-8
// character boundary.
std::string Utf8_Prefix(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t cut = limit;
    // Continuation bytes are 10xxxxxx; step back to the start of a character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

} // namespace

std::string Fit_File_Name(const std::string& name, std::size_t limit)
{
    if (name.size() <= limit)
        return name;
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot >= limit)
        return Utf8_Prefix(name, limit);
    std::string extension = name.substr(dot);
    return Utf8_Prefix(name.substr(0, dot), limit - extension.size()) + extension;
}
