// The name "Export compared image" offers: beside the modified version, and
// for a paged pair with the sheet shown, so that exporting sheet after
// sheet never offers the name of the one saved before.
#pragma once

#include <string>

// Modified_File with "_compared.png" for a single picture, or with
// ".sheet-N.compared.png" for the sheet N (counted from 1) of a paged pair;
// Page is the sheet's index, counted from 0, or negative for no sheet.
std::string Suggested_Export_Name(const std::string& Modified_File, int Page);
