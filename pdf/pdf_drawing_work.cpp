#include "pdf/pdf_drawing_work.h"

#include "pdf/content_operators.h"
#include "pdf/file_state_memo.h"
#include "pdf/pdf_drawn_file.h"

#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cmath>
#include <limits>
#include <map>
#include <set>

namespace {

using T_Steps = std::uint64_t;

T_Steps Sum(T_Steps A, T_Steps B)
{
    return A > std::numeric_limits<T_Steps>::max() - B ? std::numeric_limits<T_Steps>::max()
                                                       : A + B;
}

T_Steps Product(T_Steps A, T_Steps B)
{
    return B != 0 && A > std::numeric_limits<T_Steps>::max() / B
               ? std::numeric_limits<T_Steps>::max()
               : A * B;
}

// The drawing steps of pages and the forms they draw, each form counted once
// and remembered.
class T_Work_Estimate {
public:
    T_Steps Of_Page(QPDFPageObjectHelper Page)
    {
        const T_Content_Operators count = Count_Content_Operators(
            Read_Contents([&](Pipeline& Into) { Page.pipeContents(&Into); }));
        T_Steps steps =
            Sum(count.Operators, Drawn_Forms(count, Page.getAttribute("/Resources", false)));
        QPDFObjectHandle annotations = Page.getObjectHandle().getKey("/Annots");
        if (annotations.isArray())
            for (int i = 0; i < annotations.getArrayNItems(); ++i)
                steps = Sum(steps, Of_Annotation(annotations.getArrayItem(i),
                                                 Page.getAttribute("/Resources", false)));
        return steps;
    }

private:
    // The decoded bytes of content streams. A damaged stream is counted as
    // far as it was read: the reader draws that much of it.
    template <typename T_Read> static std::string Read_Contents(T_Read Read)
    {
        std::string bytes;
        Pl_String into("content", nullptr, bytes);
        try {
            Read(into);
        } catch (const std::exception&) {
        }
        return bytes;
    }

    // The steps of the forms a stream draws, each as often as it draws it;
    // names resolve in the stream's resources.
    T_Steps Drawn_Forms(const T_Content_Operators& Count, QPDFObjectHandle Resources)
    {
        if (Count.Drawn.empty() || !Resources.isDictionary())
            return 0;
        QPDFObjectHandle xobjects = Resources.getKey("/XObject");
        if (!xobjects.isDictionary())
            return 0;
        T_Steps steps = 0;
        for (const auto& [name, times] : Count.Drawn) {
            QPDFObjectHandle xobject = xobjects.getKey(name);
            steps = Sum(steps, Product(times, Of_Form(xobject, Resources)));
        }
        return steps;
    }

    // Streams other than forms (pictures) are a step each, in the Do.
    T_Steps Of_Form(QPDFObjectHandle Form, QPDFObjectHandle Outer_Resources)
    {
        if (!Form.isStream())
            return 0;
        QPDFObjectHandle subtype = Form.getDict().getKey("/Subtype");
        if (!subtype.isName() || subtype.getName() != "/Form")
            return 0;
        const QPDFObjGen id = Form.getObjGen();
        if (auto known = Known_.find(id); known != Known_.end())
            return known->second;
        // A form reached again while its own steps are being counted draws
        // itself: readers stop there, and so does the count.
        if (!Open_.insert(id).second)
            return 0;
        const T_Content_Operators count = Count_Content_Operators(Read_Contents(
            [&](Pipeline& Into) { Form.pipeStreamData(&Into, 0, qpdf_dl_generalized); }));
        // A form without resources of its own uses those of what draws it.
        QPDFObjectHandle resources = Form.getDict().getKey("/Resources");
        const T_Steps steps =
            Sum(count.Operators,
                Drawn_Forms(count, resources.isDictionary() ? resources : Outer_Resources));
        Open_.erase(id);
        Known_.emplace(id, steps);
        return steps;
    }

    // An annotation is drawn from its normal appearance: one form, or one
    // of several chosen by its appearance state.
    T_Steps Of_Annotation(QPDFObjectHandle Annotation, QPDFObjectHandle Page_Resources)
    {
        if (!Annotation.isDictionary())
            return 0;
        QPDFObjectHandle appearances = Annotation.getKey("/AP");
        if (!appearances.isDictionary())
            return 0;
        QPDFObjectHandle normal = appearances.getKey("/N");
        if (normal.isDictionary() && !normal.isStream()) {
            QPDFObjectHandle state = Annotation.getKey("/AS");
            normal = state.isName() ? normal.getKey(state.getName()) : QPDFObjectHandle();
        }
        return Of_Form(normal, Page_Resources);
    }

    std::map<QPDFObjGen, T_Steps> Known_;
    std::set<QPDFObjGen> Open_;
};

// The steps of File's pages as drawn, read once per state of the file.
std::vector<T_Steps> Known_Drawing_Steps(const std::string& File)
{
    static T_File_State_Memo<std::vector<T_Steps>> known(
        [](const std::string& Read) { return Pdf_Page_Drawing_Steps(Pdf_File_To_Draw(Read)); });
    return known.Of(File);
}

// "about 90 million", "about 1.2 billion": the order of the count, not its
// digits, which only an estimate gives.
std::string About(T_Steps Steps)
{
    const auto rounded = [](double Value) {
        const double tenths = std::round(Value * 10) / 10;
        std::string text = std::to_string(tenths);
        text.erase(text.find('.') + 2);
        if (text.ends_with(".0") || tenths >= 10)
            text.erase(text.find('.'));
        return text;
    };
    const double steps = double(Steps);
    if (Steps == std::numeric_limits<T_Steps>::max())
        return "more than 10 billion billion";
    if (steps >= 1e9)
        return "about " + rounded(steps / 1e9) + " billion";
    return "about " + rounded(steps / 1e6) + " million";
}

} // namespace

std::vector<std::uint64_t> Pdf_Page_Drawing_Steps(const std::string& File)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processFile(File.c_str());
        T_Work_Estimate estimate;
        std::vector<std::uint64_t> steps;
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(document).getAllPages())
            steps.push_back(estimate.Of_Page(page));
        return steps;
    } catch (const std::exception&) {
        return {};
    }
}

std::string Too_Complex_Message(const std::string& File, int Page, std::uint64_t Steps)
{
    return "Page " + std::to_string(Page + 1) + " of " + File + " is too complex to draw (" +
           About(Steps) + " drawing steps).";
}

std::string Pdf_Page_Too_Complex(const std::string& File, int Page)
{
    const std::vector<T_Steps> steps = Known_Drawing_Steps(File);
    if (Page < 0 || std::size_t(Page) >= steps.size() ||
        steps[std::size_t(Page)] <= Pdf_Page_Step_Budget)
        return {};
    return Too_Complex_Message(File, Page, steps[std::size_t(Page)]);
}
