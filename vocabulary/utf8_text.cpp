#include "vocabulary/utf8_text.h"

std::size_t Utf8_Sequence_Length(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length;
    unsigned int low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

bool Is_Valid_Utf8(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8_Sequence_Length(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string Terminal_Safe(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string safe;
    safe.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            safe += "\\x";
            safe += digits[byte >> 4];
            safe += digits[byte & 15];
        } else {
            safe += c;
        }
    }
    return safe;
}

std::string Invalid_Bytes_Shown(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8_Sequence_Length(text, at);
        if (length > 0) {
            shown.append(text, at, length);
            at += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[at++]);
        shown += "\\x";
        shown += digits[byte >> 4];
        shown += digits[byte & 15];
    }
    return shown;
}

std::string Hex_Bytes(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::string From_Hex_Bytes(const std::string& hex)
{
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2 != 0)
        return {};
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t at = 0; at < hex.size(); at += 2) {
        const int high = value(hex[at]), low = value(hex[at + 1]);
        if (high < 0 || low < 0)
            return {};
        bytes += char(high * 16 + low);
    }
    return bytes;
}
