// Keeping the names the program forms from a user's file name within what
// file systems accept.
#pragma once

#include <cstddef>
#include <string>

// The longest file name (one path component) that common file systems
// accept, in bytes.
constexpr std::size_t Max_File_Name_Bytes = 255;

// `name` shortened to at most `limit` bytes. The text before the extension
// loses its tail, never in the middle of a UTF-8 character, and the
// extension is kept, so a shortened name still says what format it holds.
// A name whose extension alone passes the limit is cut as a whole.
std::string Fit_File_Name(const std::string& name, std::size_t limit);
