#include "session/identical_files.h"

#include "imaging/page_store.h"
#include "imaging/u_image_load.h"
#include "session/pair_kinds.h"
#include "session/same_structure.h"

#include <memory>

namespace {

T_Compared_Pair Identical(T_Compared_Pair Pair, int Width, int Height, T_Bytes_Check Checked)
{
    Mark_Identical(Pair, Width, Height, Checked);
    return Pair;
}

// One decode of a shown picture or page; false when it cannot be decoded.
bool Decoded_Size(T_Page_Store* Pages, const std::string& Display, const std::string& File,
                  QImage& Picture)
{
    T_Loaded_Picture loaded = Load_Drawn_Or_Decoded(Pages, Display, File);
    if (Pages)
        Pages->Let_Go(Pages->Page_Named(Display));
    if (loaded.Result != T_Picture_Load_Result::Loaded)
        return false;
    Picture = std::move(loaded.Image);
    return true;
}

std::optional<std::vector<T_Compared_Pair>> Same_Picture(const std::string& File, T_Diff_Kind Kind,
                                                         const T_Compared_Pair& Names,
                                                         const T_Pair_Settings& Settings)
{
    if (Kind == dk_Image) {
        if (std::optional<T_Pair_Findings> found = Identical_By_Structure(File, Names)) {
            T_Compared_Pair pair = Names;
            static_cast<T_Pair_Findings&>(pair) = std::move(*found);
            return std::vector{std::move(pair)};
        }
    }
    // One side prepared (converted or drawn) and decoded, as the pipeline
    // would prepare each.
    T_Diff_Session session(File, No_Version, T_Converter_Kind::None, T_Paged_Kind::None,
                           {Settings.Make_Exporter, {}});
    QImage picture;
    if (!session.Open().Done() ||
        !Decoded_Size(session.Page_Store(T_Side::Left), session.Left_Display, File, picture))
        return std::nullopt;
    return std::vector{Identical(Names, picture.width(), picture.height(), T_Bytes_Check::Decoded)};
}

// Every page drawn once, paired with itself; nothing when a page cannot be
// drawn or comes out blank though it holds something.
std::optional<std::vector<T_Compared_Pair>> Same_Document(const std::string& File,
                                                          T_Paged_Kind Paged,
                                                          const T_Compared_Pair& Names,
                                                          const T_Pair_Settings& Settings)
{
    T_Diff_Session session(File, No_Version, T_Converter_Kind::None, Paged,
                           {Settings.Make_Exporter, {}});
    if (!session.Open().Done())
        return std::nullopt;
    const T_Page_List pages = session.Pages(T_Side::Left);
    std::vector<T_Compared_Pair> pairs;
    for (int page = 0; page < pages.Count(); ++page) {
        T_Compared_Pair pair = Names;
        pair.Old_Page = pair.New_Page = pages[page].Name;
        pair.Old_Page_Number = pair.New_Page_Number = page + 1;
        pair.Old_Content = pair.New_Content = pages[page].Content;
        const T_Work_Result shown = session.Show_Page(T_Side::Left, page);
        QImage picture;
        if (!shown.Done() ||
            !Decoded_Size(session.Page_Store(T_Side::Left), shown.File, shown.File, picture) ||
            !Blank_Page_Error(pair, picture, picture).empty())
            return std::nullopt;
        pairs.push_back(
            Identical(std::move(pair), picture.width(), picture.height(), T_Bytes_Check::Decoded));
    }
    return pairs;
}

} // namespace

std::optional<std::vector<T_Compared_Pair>> Judge_Same_Bytes(const std::string& File,
                                                             T_Diff_Kind Kind, T_Paged_Kind Paged,
                                                             const T_Compared_Pair& Names,
                                                             const T_Pair_Settings& Settings)
{
    switch (Kind) {
    case dk_Image:
    case dk_Convert:
        return Same_Picture(File, Kind, Names, Settings);
    case dk_Paged:
        return Same_Document(File, Paged, Names, Settings);
    case dk_Word:
    case dk_Unsupported:
        break;
    }
    return std::nullopt;
}
