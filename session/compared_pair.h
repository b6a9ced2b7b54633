// What the comparison of one pair came to, without the toolkit: the
// verdict, the differences and what the reports say of them. The pipeline
// adds the pictures it compared (T_Compared_Pair).
#pragma once

#include "automation/office_text_compare.h"
#include "differences/picture_alignment.h"
#include "differences/picture_difference.h"
#include "pdf/page_pair_text.h"
#include "session/pair_input.h"

#include <cstddef>
#include <memory>
#include <string>

enum class T_Verdict { Identical, Different, Only_Old, Only_New, Error };

// How a pair was compared: as pictures, page pair by page pair, by its
// bytes, as documents by their text, or not at all (a file on one side only).
enum class T_Compared_By { Nothing, Pixels, Pages, Bytes, Text };

// What proved a pair of pictures or documents with the same bytes sound: the
// file's structure, or one decode of one side.
enum class T_Bytes_Check { None, Structure, Decoded };

// What one pair came to, without the pictures compared: a pair of
// pictures, a pair of pages of two documents, a page or file present on one
// side only, or an error.
struct T_Pair_Findings {
    using T_Result = T_Verdict;
    T_Result Result = T_Result::Identical;
    T_Compared_By Compared_By = T_Compared_By::Nothing;
    T_Bytes_Check Checked = T_Bytes_Check::None;
    std::string Old_Name;
    std::string New_Name;
    // The files compared, as opened (Old_Name and New_Name are how reports
    // name them).
    std::string Old_File;
    std::string New_File;
    std::string Old_Page; // the pages' names, for paged documents
    std::string New_Page;
    // The pages' places in their documents, from 1; 0 for no page.
    int Old_Page_Number = 0, New_Page_Number = 0;
    // The page left its place in the order of the others (another sheet was
    // put before it, or it was put elsewhere), not merely shifted by sheets
    // inserted or removed. Such a pair is different even when both pages
    // show the same.
    bool Moved = false;
    int Old_Width = 0, Old_Height = 0, New_Width = 0, New_Height = 0;
    // What each page's source holds to draw (shapes, characters), -1 when
    // not known: a page that holds something and comes out as one flat
    // colour was not drawn, and cannot be judged.
    int Old_Content = -1, New_Content = -1;
    // Of a file on one side only: the pages of a document, 1 for a picture;
    // 0 when not counted (a kind the program does not show).
    int Pages = 0;
    // A damaged document of the pair was read from a copy rebuilt from it.
    bool Repaired = false;
    // When pictures were compared.
    std::shared_ptr<const T_Difference> Difference;
    // When documents were compared by their text: the changes counted.
    std::shared_ptr<const T_Text_Changes> Text_Changes;
    // How the modified picture was laid on the base before the comparison,
    // when alignment was asked for (the regions are in the base's pixels).
    std::shared_ptr<const T_Alignment> Alignment;
    // Of a pair of PDF pages with changes: the text of each change region.
    std::shared_ptr<const T_Page_Pair_Text> Text;
    std::string Error; // one line
    // Where its picture of the differences was written, when one was asked for.
    std::string Output;
    // The pair of files it belongs to, as the pipeline took them in; null
    // for a pair judged before (neither version exists, or one is no file).
    std::shared_ptr<const T_Pair_Input> Input;
};

// Pair as two pictures compared whole came out: their sizes, the
// differences and the verdict.
void Take_Differences(T_Pair_Findings& Pair, T_Difference Difference);

// The verdict of two decoded pictures' differences. A page put elsewhere in
// its document (`Moved`) changes the document, however alike it looks.
T_Verdict Verdict_Of(const T_Difference& Difference, bool Moved = false);

// A message of the catalogue on one line.
std::string One_Line(std::string Text);

// "1,234": thousands apart, so that counts read at a glance.
std::string Grouped(std::size_t Number);
