// The texts of a text document that lie outside its body: headers and
// footers, footnotes and endnotes, text boxes and comments. The office's
// document comparison looks at the body only: a changed title block in a
// header or a changed footnote would otherwise compare as no change at all.
#pragma once

#include "office/part_changes.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XInterface.hpp>

#include <string>
#include <vector>

struct T_Document_Part : T_Part_Text {
    // The part in the document: its text (a com.sun.star.text.XText), or
    // for a comment the comment's field.
    com::sun::star::uno::Reference<com::sun::star::uno::XInterface> Object;
    bool Is_Comment = false;
};

// Every such part with its place, in document order: headers and footers of
// the page styles in use (numbered as sections in the order the body first
// uses them, others by the style's name), then footnotes, endnotes, text
// boxes and frames, and comments, each numbered from 1.
std::vector<T_Document_Part>
Document_Parts(const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& Document);

// The place of the part a change the office's comparison marked (a
// redline) lies in, of Document's Parts: for a change inside a text box,
// "text box 2"; "" in the body.
std::string
Place_Of(const com::sun::star::uno::Reference<com::sun::star::beans::XPropertySet>& Redline,
         const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& Document,
         const std::vector<T_Document_Part>& Parts);

// The parts' texts and places alone.
std::vector<T_Part_Text> Part_Texts(const std::vector<T_Document_Part>& Parts);
