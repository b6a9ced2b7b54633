// Whether text is UTF-8, and text made safe for a terminal. File names on
// POSIX are bytes: a name need not be valid UTF-8, and may hold line feeds
// or a terminal's escape sequences; what reads or prints it must neither
// mangle it nor let it act on the terminal.
#pragma once

#include <cstddef>
#include <string>

// The length of the valid UTF-8 sequence that starts at `at`, 0 when it is
// not one (overlong forms, surrogates and code points past U+10FFFF
// included). `at` lies inside the text.
std::size_t Utf8_Sequence_Length(const std::string& text, std::size_t at);

bool Is_Valid_Utf8(const std::string& text);

// The text with every control character (below 0x20, and 0x7F) written as
// \xNN, so that a name printed to a terminal is one line that moves no
// cursor and changes no colour.
std::string Terminal_Safe(const std::string& text);

// The text with each byte that is not part of valid UTF-8 written as \xNN,
// so that two names that differ only in such bytes read differently.
std::string Invalid_Bytes_Shown(const std::string& text);

// Every byte of the text in two lower-case hexadecimal digits, and back;
// From_Hex_Bytes gives "" for anything but pairs of hexadecimal digits.
std::string Hex_Bytes(const std::string& text);
std::string From_Hex_Bytes(const std::string& hex);
