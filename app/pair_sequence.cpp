#include "app/pair_sequence.h"

#include "platform/os_platform.h"

#include <optional>

T_Named_Pair Requested_Pair(const T_Named_Pair& Current, const T_Pair_Request& Request)
{
    using T_Kind = T_Pair_Request::T_Kind;
    switch (Request.Kind) {
    case T_Kind::Swap:
        // The titles name their versions: they go with their files.
        return {Current.Right, Current.Left, Current.Right_Title, Current.Left_Title};
    case T_Kind::Open:
        return {Request.Left, Request.Right, {}, {}};
    case T_Kind::Reload:
    case T_Kind::None:
        break;
    }
    return Current;
}

namespace {

// The name as the user meant it: absolute, so that a pair reopened later
// (from the recent pairs) does not depend on the working folder.
std::string Absolute(const std::string& Name)
{
    return Name.empty() || os::Is_Null_Device(Name) ? Name : os::Full_Path_Name(Name);
}

struct T_Launch_Outcome {
    T_Diff_Result Result;
    bool Window_Shown;
    // The pair reached the recent pairs while its window was up.
    bool Remembered = false;
};

T_Launch_Outcome Launch(const T_Named_Pair& Pair, const T_Launch_Hooks& Hooks)
{
    T_Launch_Hooks hooks = Hooks;
    hooks.Left_Title = Pair.Left_Title;
    hooks.Right_Title = Pair.Right_Title;
    bool shown = false;
    bool remembered = false;
    hooks.Show_Diff_Form = [&](const std::string& left, const std::string& left_caption,
                               const std::string& right, const std::string& right_caption,
                               T_Converter_Kind converter, T_Paged_Kind paged) {
        // The window works with the user's names: a paged base is shown
        // from a private copy, which is not what changes on disk.
        if (Hooks.Pair_Opening)
            Hooks.Pair_Opening(Absolute(Pair.Left), Absolute(Pair.Right));
        // Recorded as soon as the window is up: a window ended by a signal
        // or a logout never returns here.
        if (Hooks.Window_Up && Hooks.Remember_Pair && !Hooks.Version_Control_Viewer)
            Hooks.Window_Up([&] {
                Hooks.Remember_Pair(Absolute(Pair.Left), Absolute(Pair.Right));
                remembered = true;
            });
        shown = Hooks.Show_Diff_Form(left, left_caption, right, right_caption, converter, paged);
        return shown;
    };
    T_Diff_Result result = Run_Diff(Pair.Left, Pair.Right, hooks);
    const bool window_shown = shown && result == T_Diff_Result::Shown;
    if (window_shown && Hooks.Version_Unread && Hooks.Version_Unread())
        result = T_Diff_Result::Failed;
    return {result, window_shown, remembered};
}

} // namespace

T_Diff_Result Run_Diff_Sequence(const std::string& Left, const std::string& Right,
                                const T_Launch_Hooks& Hooks)
{
    // The names stay as given: messages about them quote what the user typed.
    T_Named_Pair pair{Left, Right, Hooks.Left_Title, Hooks.Right_Title};
    std::optional<T_Named_Pair> last_shown;
    for (;;) {
        T_Launch_Outcome outcome = Launch(pair, Hooks);
        if (outcome.Window_Shown) {
            last_shown = pair;
            if (Hooks.Remember_Pair && !Hooks.Version_Control_Viewer && !outcome.Remembered)
                Hooks.Remember_Pair(Absolute(pair.Left), Absolute(pair.Right));
        }
        const T_Pair_Request request = outcome.Window_Shown && Hooks.Take_Pair_Request
                                           ? Hooks.Take_Pair_Request()
                                           : T_Pair_Request{};
        if (request.Kind != T_Pair_Request::T_Kind::None) {
            pair = Requested_Pair(pair, request);
            continue;
        }
        if (outcome.Window_Shown || !last_shown || pair == *last_shown)
            return outcome.Result;
        // The requested pair was refused: back to the one the user came from.
        pair = *last_shown;
        last_shown.reset();
    }
}
