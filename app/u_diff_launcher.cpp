#include "app/u_diff_launcher.h"

#include "vocabulary/U_Msg.h"
#include "vocabulary/pane_captions.h"
#include "platform/os_platform.h"
#include "session/pair_input.h"
#include "session/u_diff_session.h"

bool Check_File_Exists(const std::string& name)
{
    // The empty device stands for a version that does not exist.
    if (os::Is_Null_Device(name))
        return true;
    // Judged before anything opens the file: a pipe would hold the open
    // forever, and a folder or an unreadable file would be reported later
    // as a corrupted picture.
    const os::T_File_Check check = os::Check_Input_File(name);
    if (check == os::T_File_Check::Regular)
        return true;
    const T_Msg_Id reason = File_Check_Message(check);
    Show_Error(Get_Msg(reason) + "\r\n" + name);
    return false;
}

namespace {

T_Diff_Result Outcome(bool shown) { return shown ? T_Diff_Result::Shown : T_Diff_Result::Failed; }

} // namespace

T_Diff_Result Run_Diff(const std::string& left_name, const std::string& right_name,
                       const T_Launch_Hooks& hooks)
{
    if (!Check_File_Exists(left_name) || !Check_File_Exists(right_name))
        return T_Diff_Result::Failed;
    // The null device stands for a version that does not exist (git passes
    // it for an added or deleted file): the pair is judged by the other one.
    bool left_exists = !os::Is_Null_Device(left_name);
    bool right_exists = !os::Is_Null_Device(right_name);
    if (!left_exists && !right_exists) {
        Show_Error(Get_Msg(cap_No_Version_Exists));
        return T_Diff_Result::Failed;
    }
    // A document on one side only opens alone, as a picture does: the pair
    // is judged by the file that exists, the modified one when both do.
    const T_Pair_Input input =
        Pair_Input_Of(left_exists ? os::Full_Path_Name(left_name) : left_name,
                      right_exists ? os::Full_Path_Name(right_name) : right_name);
    const T_Input_Side& decides = input.Decides();
    const std::string& existing = decides.Path;
    const std::string left_caption =
        hooks.Left_Title.empty() ? Base_Version_Caption : hooks.Left_Title;
    std::string right_caption = hooks.Right_Title;
    // A name Qt cannot spell is read through a link; the caption keeps the
    // name the user gave.
    std::string left = input.Old.Readable, right = input.New.Readable;
    if (right != input.New.Path && right_caption.empty())
        right_caption = input.New.Path;
    switch (decides.Kind) {
    case dk_Word:
        return Outcome(hooks.Word_Diff(left, right));
    case dk_Paged:
        if (std::string why = hooks.Paged_Refusal ? hooks.Paged_Refusal(existing) : "";
            !why.empty()) {
            Show_Msg(why + "\r\n" + existing);
            return T_Diff_Result::Failed;
        }
        // The window's session works on a private copy of the base, which
        // keeps the page images out of the user's folder.
        return Outcome(hooks.Show_Diff_Form(left, left_caption, right, right_caption,
                                            T_Converter_Kind::None, decides.Paged));
    case dk_Image:
    case dk_Convert:
        return Outcome(hooks.Show_Diff_Form(left, left_caption, right, right_caption,
                                            decides.Converter, T_Paged_Kind::None));
    case dk_Unsupported:
        break;
    }
    // Named as the file was judged, not as the link a name Qt cannot spell
    // is read through.
    Show_Msg("File format is not supported!\r\n" +
             os::Full_Path_Name(right_exists ? right_name : left_name));
    if (!hooks.Version_Control_Viewer)
        hooks.Show_About();
    return T_Diff_Result::Unsupported;
}
