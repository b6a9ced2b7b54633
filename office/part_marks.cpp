#include "office/part_marks.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XRedlinesSupplier.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XRedline.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>

#include <algorithm>

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

rtl::OUString U(const std::string& Utf8)
{
    return rtl::OUString(Utf8.data(), static_cast<sal_Int32>(Utf8.size()), RTL_TEXTENCODING_UTF8);
}

Reference<text::XTextRange> Range(const Reference<text::XTextCursor>& Cursor)
{
    return Reference<text::XTextRange>(Cursor, UNO_QUERY_THROW);
}

void Make_Redline(const Reference<text::XTextCursor>& Range, const char* Type,
                  const std::string& Place)
{
    beans::PropertyValue comment;
    comment.Name = "RedlineComment";
    comment.Value <<= U(Place);
    Reference<text::XRedline>(Range, UNO_QUERY_THROW)
        ->makeRedline(rtl::OUString::createFromAscii(Type),
                      uno::Sequence<beans::PropertyValue>(&comment, 1));
}

// The whole of a part as one range: a text's content, a comment's anchor.
Reference<text::XTextCursor> Whole(const T_Document_Part& Part)
{
    if (Part.Is_Comment) {
        Reference<text::XTextRange> anchor =
            Reference<text::XTextContent>(Part.Object, UNO_QUERY_THROW)->getAnchor();
        return anchor->getText()->createTextCursorByRange(anchor);
    }
    Reference<text::XText> text(Part.Object, UNO_QUERY_THROW);
    Reference<text::XTextCursor> cursor = text->createTextCursor();
    cursor->gotoStart(false);
    cursor->gotoEnd(true);
    return cursor;
}

Reference<text::XText> Body(const Reference<frame::XModel>& Comparison)
{
    return Reference<text::XTextDocument>(Comparison, UNO_QUERY_THROW)->getText();
}

// The revised text a deleted part's text goes into: the part at the same
// place (a header whose text changed), else the start of the body.
Reference<text::XText> Text_For_Deleted(const Reference<frame::XModel>& Comparison,
                                        const T_Document_Part& Deleted,
                                        const std::vector<T_Document_Part>& Revised)
{
    for (const T_Document_Part& part : Revised)
        if (!part.Is_Comment && part.Place == Deleted.Place)
            return Reference<text::XText>(part.Object, UNO_QUERY_THROW);
    return Body(Comparison);
}

// The deleted text put in at the start of Text, selected.
Reference<text::XTextCursor> Put_Back_Text(const Reference<text::XText>& Text,
                                           const std::string& Deleted)
{
    const rtl::OUString inserted = U(Deleted + " ");
    Reference<text::XTextCursor> cursor = Text->createTextCursor();
    cursor->gotoStart(false);
    Text->insertString(Range(cursor), inserted, false);
    cursor->gotoStart(false);
    for (sal_Int32 left = inserted.getLength(); left > 0; left -= 0x7fff)
        cursor->goRight(static_cast<sal_Int16>(std::min<sal_Int32>(left, 0x7fff)), true);
    return cursor;
}

// A deleted comment put back at the start of the body, selected.
Reference<text::XTextCursor> Put_Back_Comment(const Reference<frame::XModel>& Comparison,
                                              const T_Document_Part& Deleted)
{
    Reference<text::XTextContent> field(
        Reference<lang::XMultiServiceFactory>(Comparison, UNO_QUERY_THROW)
            ->createInstance("com.sun.star.text.textfield.Annotation"),
        UNO_QUERY_THROW);
    Reference<beans::XPropertySet> old_field(Deleted.Object, UNO_QUERY_THROW);
    Reference<beans::XPropertySet> properties(field, UNO_QUERY_THROW);
    properties->setPropertyValue("Content", uno::Any(U(Deleted.Text)));
    properties->setPropertyValue("Author", old_field->getPropertyValue("Author"));
    Reference<text::XText> body = Body(Comparison);
    Reference<text::XTextCursor> start = body->createTextCursor();
    start->gotoStart(false);
    body->insertTextContent(Range(start), field, false);
    T_Document_Part put_back = Deleted;
    put_back.Object = field;
    return Whole(put_back);
}

void Mark(const Reference<frame::XModel>& Comparison, const T_Part_Change& Change,
          const std::vector<T_Document_Part>& Base, const std::vector<T_Document_Part>& Revised)
{
    if (Change.Inserted) {
        const T_Document_Part& part = Revised[Change.Part];
        Make_Redline(Whole(part), "Insert", part.Place);
        return;
    }
    const T_Document_Part& part = Base[Change.Part];
    Make_Redline(part.Is_Comment
                     ? Put_Back_Comment(Comparison, part)
                     : Put_Back_Text(Text_For_Deleted(Comparison, part, Revised), part.Text),
                 "Delete", part.Place);
}

// Gives the office's own marks inside parts (a text box) their place, and
// answers the places.
std::vector<std::string> Name_Office_Marks(const Reference<frame::XModel>& Comparison,
                                           const std::vector<T_Document_Part>& Revised)
{
    std::vector<std::string> places;
    Reference<container::XEnumeration> each =
        Reference<document::XRedlinesSupplier>(Comparison, UNO_QUERY_THROW)
            ->getRedlines()
            ->createEnumeration();
    while (each->hasMoreElements()) {
        Reference<beans::XPropertySet> redline(each->nextElement(), UNO_QUERY);
        const std::string place =
            redline.is()
                ? Place_Of(redline, Reference<lang::XComponent>(Comparison, UNO_QUERY), Revised)
                : std::string();
        if (place.empty())
            continue;
        places.push_back(place);
        try {
            redline->setPropertyValue("RedlineComment", uno::Any(U(place)));
        } catch (const uno::Exception&) {
            // The mark stays without its place.
        }
    }
    return places;
}

} // namespace

std::vector<std::string> Mark_Part_Changes(const Reference<frame::XModel>& Comparison,
                                           const std::vector<T_Document_Part>& Base,
                                           const std::vector<T_Document_Part>& Revised)
{
    // The deleted texts go in as they were, not as changes of their own.
    Reference<beans::XPropertySet> document(Comparison, UNO_QUERY_THROW);
    const uno::Any recording = document->getPropertyValue("RecordChanges");
    document->setPropertyValue("RecordChanges", uno::Any(false));
    std::vector<std::string> places = Name_Office_Marks(Comparison, Revised);
    // Insertions first: a revised part is marked whole before the text it
    // replaced goes in front of it.
    const std::vector<T_Part_Change> changes = Part_Changes(Part_Texts(Base), Part_Texts(Revised));
    for (const bool inserted : {true, false})
        for (const T_Part_Change& change : changes) {
            if (change.Inserted != inserted)
                continue;
            try {
                Mark(Comparison, change, Base, Revised);
                places.push_back((inserted ? Revised : Base)[change.Part].Place);
            } catch (const uno::Exception&) {
                // A part the office does not let mark is left as it is; an
                // office that went away fails the next call.
            }
        }
    document->setPropertyValue("RecordChanges", recording);
    return places;
}
