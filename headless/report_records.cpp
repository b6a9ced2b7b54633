#include "headless/report_records.h"

T_Report_Record Record_Of(const T_Compared_Pair& Pair, const T_Acceptance& Acceptance,
                          double Seconds)
{
    T_Report_Record record;
    const bool one_sided_file = Pair.Old_Page.empty() && Pair.New_Page.empty();
    if (!one_sided_file || Pair.Result != T_Verdict::Only_New)
        record.Old_Name = Pair.Old_Name;
    if (!one_sided_file || Pair.Result != T_Verdict::Only_Old)
        record.New_Name = Pair.New_Name;
    record.Old_Page = Pair.Old_Page;
    record.New_Page = Pair.New_Page;
    record.Result = Pair.Result;
    record.Accepted = Acceptance.Accepted;
    record.Reason = Acceptance.Reason;
    record.Error = Pair.Error;
    if (Pair.Difference) {
        record.Compared_Pixels = true;
        record.Changed_Pixels = Pair.Difference->Changed_Pixels;
        record.Changed_Share = Pair.Difference->Changed_Share();
        record.Regions = Pair.Difference->Regions.size();
        record.Changes = Pair.Difference->Changes.size();
        for (const T_Change& change : Pair.Difference->Changes)
            record.Moved_Changes += change.Is_Move();
    }
    if (Pair.Text) {
        record.No_Text_Layer = !Pair.Text->Available();
        record.Region_Texts = Pair.Text->Regions;
    }
    if (Pair.Text_Changes)
        record.Text_Changes = *Pair.Text_Changes;
    record.Seconds = Seconds;
    return record;
}

const std::string& File_Of(const T_Report_Record& Record)
{
    return Record.New_Name.empty() ? Record.Old_Name : Record.New_Name;
}
