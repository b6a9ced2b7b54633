#include "session/shown_page_text_lines.h"

#include "pdf/document_worker.h"
#include "pdf/page_text_lines.h"
#include "pdf/pdf_region_text.h"

#include <mutex>

// Stepping through pages reads each document once; a newer comparison may
// start while an older one still reads.
struct T_Shown_Page_Text_Lines::T_Layers {
    std::mutex Lock;
    std::unique_ptr<T_Pdf_Text_Layer> Sides[2];

    T_Pdf_Text_Layer& Of(int Side, const std::string& File)
    {
        if (!Sides[Side] || Sides[Side]->File() != File)
            Sides[Side] = std::make_unique<T_Pdf_Text_Layer>(File);
        return *Sides[Side];
    }
};

T_Shown_Page_Text_Lines::T_Shown_Page_Text_Lines() : Layers_(std::make_shared<T_Layers>()) {}

T_Shown_Page_Text_Lines::~T_Shown_Page_Text_Lines() = default;

T_Settle_Differences T_Shown_Page_Text_Lines::For_Pages(const std::string& Old_File, int Old_Page,
                                                        const std::string& New_File, int New_Page,
                                                        int Offset_X, int Offset_Y) const
{
    return [layers = Layers_, Old_File, Old_Page, New_File, New_Page, Offset_X,
            Offset_Y](T_Difference& difference, const T_Alignment* alignment) {
        if (difference.Changes.size() < 2)
            return;
        // Read after the pages shown, as the change list's text is.
        const T_Document_Call_Scope scope(T_Document_Priority::Visible_Text);
        const std::lock_guard<std::mutex> lock(layers->Lock);
        const T_Page_Words* words[2] = {};
        try {
            words[0] = &layers->Of(0, Old_File).Words(Old_Page);
            words[1] = &layers->Of(1, New_File).Words(New_Page);
        } catch (...) {
            // Text not read leaves the changes as the pictures grouped them.
            return;
        }
        T_To_New_Page to_new = [Offset_X, Offset_Y](const T_Rectangle& box) {
            return T_Rectangle{box.Left - Offset_X, box.Top - Offset_Y, box.Width, box.Height};
        };
        if (alignment && alignment->Aligned)
            to_new = [alignment](const T_Rectangle& box) { return alignment->To_Modified(box); };
        Join_Changes_On_Page_Lines(difference, *words[0], *words[1], to_new);
    };
}
