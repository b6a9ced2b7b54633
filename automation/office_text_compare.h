// Word and Writer documents compared without a window: LibreOffice Writer's
// own document comparison, run by a headless office helper on private copies
// of the two files, counted by the kind of each change it marks.
#pragma once

#include <string>
#include <vector>

// One change the comparison marked: "insertion", "deletion" or "format",
// and the first line of the text it spans ("" when there is none). A change
// outside the body (a header, a footnote, a text box, a comment) names its
// place ("header of section 2"), and its text starts with it.
struct T_Tracked_Change {
    std::string Kind;
    std::string Text;
    std::string Place; // "" in the body
};

struct T_Text_Changes {
    int Insertions = 0;
    int Deletions = 0;
    int Format_Changes = 0;
    std::vector<T_Tracked_Change> Changes; // the first few, in document order

    int Total() const { return Insertions + Deletions + Format_Changes; }
};

// The helper's answer to TEXTCHANGES, the fields after "OK" (see
// office/office_protocol.h). False when they are not such an answer.
bool Parse_Text_Changes(const std::vector<std::string>& Fields, T_Text_Changes& Changes);

// Where the headless office helper is, set when the office bridge is
// registered (it needs the helper and LibreOffice both); "" disables the
// comparison of documents, which then names the package to install.
void Set_Text_Compare_Helper(const std::string& Helper_Path, const std::string& Soffice);

// Compares the document Modified with Base. The office gets copies in the
// private temporary folder, never the user's files, and is ended whatever
// happens; an office that does not answer within minutes is given up.
// False with the reason (one line, naming the files given) when the helper
// is missing or the office cannot open or compare them.
bool Compare_Text_Documents(const std::string& Base, const std::string& Modified,
                            T_Text_Changes& Changes, std::string& Error);
