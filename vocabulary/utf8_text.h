// Whether text is UTF-8. File names on POSIX are bytes: a name need not be
// valid UTF-8, and what reads or prints it must say so rather than mangle it.
#pragma once

#include <cstddef>
#include <string>

// The length of the valid UTF-8 sequence that starts at `at`, 0 when it is
// not one (overlong forms, surrogates and code points past U+10FFFF
// included). `at` lies inside the text.
std::size_t Utf8_Sequence_Length(const std::string& text, std::size_t at);

bool Is_Valid_Utf8(const std::string& text);
