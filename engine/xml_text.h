// The pieces of XML text handling that the SVG readers share: names, the
// references of attribute values and UTF-16 text.
#pragma once

#include <string>
#include <string_view>

bool Is_Xml_Space(char c);
// A character that may stand in an element or attribute name.
bool Is_Name_Char(char c);

void Append_Utf8(std::string& out, unsigned long code);

// Markup text with character references and the predefined entities
// resolved, as the XML parser hands it to the renderer. Other entity
// references stay as written.
std::string Decode_References(std::string_view value);

// UTF-16 text (without its byte order mark) as UTF-8; lone surrogates
// become U+FFFD.
std::string Utf16_To_Utf8(std::string_view data, bool big_endian);

// The end of the markup declaration that starts at `at` ("<!DOCTYPE ..."):
// the position just after its closing ">", with quoted strings, comments and
// the internal subset in brackets passed over; npos when it does not end
// within `text`. `subset` is the offset of the subset's "[" from `at`, or
// npos when there is none.
std::size_t Declaration_End(std::string_view text, std::size_t at, std::size_t& subset);
