#include "headless/junit_report.h"

#include "headless/report_text.h"
#include "headless/share_text.h"

#include <QXmlStreamWriter>

#include <cstdio>

namespace {

// Text as XML 1.0 may hold it: control characters other than tab, line
// feed and carriage return replaced (invalid UTF-8 already is, by Qt).
QString Xml_Text(const std::string& Text)
{
    QString text = QString::fromStdString(Text);
    for (QChar& c : text)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            c = QChar(QChar::ReplacementCharacter);
    return text;
}

QString Seconds_Text(double Seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", Seconds);
    return QString::fromLatin1(text);
}

// A pair's file "sub/deep/plan.png": class "sub.deep" (the folders, as
// CI servers group classes into packages by their dots), name "plan.png"
// and the pages of a document pair.
void Write_Names(QXmlStreamWriter& Xml, const T_Report_Record& Record)
{
    std::string file = File_Of(Record);
    std::string folders;
    if (const std::size_t slash = file.find_last_of("/\\"); slash != std::string::npos) {
        folders = file.substr(0, slash);
        file.erase(0, slash + 1);
        for (char& c : folders)
            if (c == '/' || c == '\\')
                c = '.';
        while (!folders.empty() && folders.front() == '.')
            folders.erase(0, 1);
    }
    std::string name = file;
    if (!Record.Old_Page.empty() || !Record.New_Page.empty())
        name += " (page " + (Record.Old_Page.empty() ? "-" : Record.Old_Page) + " / " +
                (Record.New_Page.empty() ? "-" : Record.New_Page) + ")";
    Xml.writeAttribute(QStringLiteral("classname"),
                       Xml_Text(folders.empty() ? "varnolt" : folders));
    Xml.writeAttribute(QStringLiteral("name"), Xml_Text(name));
}

// The counts of a pair of pictures or of documents compared by their text,
// why it failed, and the first texts that changed.
std::string Failure_Message(const T_Report_Record& Record)
{
    if (Record.Text_Changes) {
        const std::string listed = Listed_Text_Changes(*Record.Text_Changes);
        return Text_Change_Counts(*Record.Text_Changes) + ": " + Record.Reason +
               (listed.empty() ? "" : "; " + listed);
    }
    if (!Record.Compared_Pixels)
        return Record.Reason;
    const std::string share = Share_Percent(Record.Changed_Share);
    const std::string texts = Changed_Region_Texts(Record.Region_Texts);
    return std::to_string(Record.Changed_Pixels) + " changed pixels (" + share + " %), " +
           Changes_Summary(Record.Changes, Record.Moved_Changes) + ", " +
           std::to_string(Record.Regions) +
           (Record.Regions == 1 ? " change region: " : " change regions: ") + Record.Reason +
           (texts.empty() ? "" : "; text: " + texts);
}

// The failure's body: every region's text and what became of it, or every
// change listed of two documents, one a line; "" when there is no text.
std::string Failure_Text(const T_Report_Record& Record)
{
    std::string text;
    if (Record.No_Text_Layer)
        text += "No text layer on either page\n";
    for (std::size_t i = 0; i < Record.Region_Texts.size(); ++i) {
        const T_Region_Text& region = Record.Region_Texts[i];
        if (region.Change != T_Text_Change::None || !region.Annotations.empty())
            text += "Region " + std::to_string(i + 1) + ", text " +
                    Text_Change_Word(region.Change) + ": " + Region_Text_Phrase(region) + "\n";
    }
    if (Record.Text_Changes) {
        text += Text_Change_Counts(*Record.Text_Changes) + "\n";
        for (const T_Tracked_Change& change : Record.Text_Changes->Changes)
            text += change.Kind + ": " + change.Text + "\n";
    }
    return text;
}

void Write_Case(QXmlStreamWriter& Xml, const T_Report_Record& Record)
{
    Xml.writeStartElement(QStringLiteral("testcase"));
    Write_Names(Xml, Record);
    Xml.writeAttribute(QStringLiteral("time"), Seconds_Text(Record.Seconds));
    if (Record.Result == T_Verdict::Error) {
        Xml.writeStartElement(QStringLiteral("error"));
        Xml.writeAttribute(QStringLiteral("type"), QStringLiteral("error"));
        Xml.writeAttribute(QStringLiteral("message"), Xml_Text(Record.Error));
        Xml.writeEndElement();
    } else if (!Record.Accepted) {
        Xml.writeStartElement(QStringLiteral("failure"));
        Xml.writeAttribute(QStringLiteral("type"), QStringLiteral("different"));
        Xml.writeAttribute(QStringLiteral("message"), Xml_Text(Failure_Message(Record)));
        if (const std::string text = Failure_Text(Record); !text.empty())
            Xml.writeCharacters(Xml_Text(text));
        Xml.writeEndElement();
    } else if (Record.Result == T_Verdict::Only_Old || Record.Result == T_Verdict::Only_New) {
        Xml.writeStartElement(QStringLiteral("skipped"));
        Xml.writeAttribute(QStringLiteral("message"), Xml_Text(Record.Reason));
        Xml.writeEndElement();
    }
    Xml.writeEndElement();
}

} // namespace

std::string Junit_Xml(const std::vector<T_Report_Record>& Records, double Seconds)
{
    int failures = 0, errors = 0, skipped = 0;
    for (const T_Report_Record& record : Records) {
        if (record.Result == T_Verdict::Error)
            ++errors;
        else if (!record.Accepted)
            ++failures;
        else if (record.Result == T_Verdict::Only_Old || record.Result == T_Verdict::Only_New)
            ++skipped;
    }
    QByteArray text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("varnolt-compare"));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(Records.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QString::number(errors));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(skipped));
    xml.writeAttribute(QStringLiteral("time"), Seconds_Text(Seconds));
    for (const T_Report_Record& record : Records)
        Write_Case(xml, record);
    xml.writeEndDocument();
    return text.toStdString();
}
