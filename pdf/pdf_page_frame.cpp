#include "pdf/pdf_page_frame.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>

std::pair<double, double> T_Page_Frame::Shown(double X, double Y) const
{
    const auto [left, bottom, right, top] = Box;
    switch (Rotate) {
    case 90:
        return {Y - bottom, X - left};
    case 180:
        return {right - X, Y - bottom};
    case 270:
        return {top - Y, right - X};
    default:
        return {X - left, top - Y};
    }
}

std::pair<double, double> T_Page_Frame::Unshown(double Across, double Down) const
{
    const auto [left, bottom, right, top] = Box;
    switch (Rotate) {
    case 90:
        return {left + Down, bottom + Across};
    case 180:
        return {right - Across, bottom + Down};
    case 270:
        return {right - Down, top - Across};
    default:
        return {left + Across, top - Down};
    }
}

QSizeF T_Page_Frame::Shown_Points() const
{
    const double width = Box[2] - Box[0], height = Box[3] - Box[1];
    return Rotate == 90 || Rotate == 270 ? QSizeF(height, width) : QSizeF(width, height);
}

bool Read_Pdf_Box(QPDFObjectHandle Array, std::array<double, 4>& Box)
{
    if (!Array.isArray() || Array.getArrayNItems() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (!Array.getArrayItem(i).isNumber())
            return false;
        Box[std::size_t(i)] = Array.getArrayItem(i).getNumericValue();
    }
    // Either corner may come first.
    if (Box[0] > Box[2])
        std::swap(Box[0], Box[2]);
    if (Box[1] > Box[3])
        std::swap(Box[1], Box[3]);
    return true;
}

namespace {

bool Has_Area(const std::array<double, 4>& Box) { return Box[2] > Box[0] && Box[3] > Box[1]; }

} // namespace

T_Page_Frame Page_Frame_Of(QPDFObjectHandle Page)
{
    T_Page_Frame frame;
    std::array<double, 4> media{0, 0, 612, 792};
    if (!Read_Pdf_Box(Page.getKey("/MediaBox"), media) || !Has_Area(media))
        media = {0, 0, 612, 792};
    std::array<double, 4> crop{};
    if (Read_Pdf_Box(Page.getKey("/CropBox"), crop)) {
        crop = {std::max(crop[0], media[0]), std::max(crop[1], media[1]),
                std::min(crop[2], media[2]), std::min(crop[3], media[3])};
    }
    frame.Box = Has_Area(crop) ? crop : media;
    if (QPDFObjectHandle rotate = Page.getKey("/Rotate"); rotate.isInteger())
        frame.Rotate = int(((rotate.getIntValue() / 90 % 4) + 4) % 4) * 90;
    return frame;
}
