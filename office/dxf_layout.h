// One scale for the versions of a DXF drawing. The office fits every DXF
// drawing into the same box, so two versions whose extents differ would come
// out at different scales and no pixel would line up. The helper reads the
// extents that each file's header declares, takes the union of the versions
// it has open, and places every drawing on a page of that union at one scale:
// geometry that did not change lands on the same pixels. Plain C++.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace dxf_layout {

// Drawing units, y upwards.
struct Extents {
    double Min_X = 0, Min_Y = 0, Max_X = 0, Max_Y = 0;

    // False for a header that declares no drawing: the default extents of
    // an empty drawing (1e20, -1e20), no area, or values that are no numbers.
    bool Valid() const
    {
        auto finite = [](double v) { return std::isfinite(v) && std::fabs(v) < 1e15; };
        return finite(Min_X) && finite(Min_Y) && finite(Max_X) && finite(Max_Y) && Max_X > Min_X &&
               Max_Y > Min_Y;
    }
    double Width() const { return Max_X - Min_X; }
    double Height() const { return Max_Y - Min_Y; }
    Extents Union(const Extents& other) const
    {
        return {std::min(Min_X, other.Min_X), std::min(Min_Y, other.Min_Y),
                std::max(Max_X, other.Max_X), std::max(Max_Y, other.Max_Y)};
    }
    bool operator==(const Extents&) const = default;
};

// $EXTMIN and $EXTMAX from the HEADER section of an ASCII DXF file: lines in
// pairs of group code and value. False when the file declares no valid
// extents (a binary DXF, no header, the defaults of an empty drawing).
inline bool Read_Extents(std::string_view text, Extents& extents)
{
    auto next_line = [&](size_t& at, std::string_view& line) {
        if (at >= text.size())
            return false;
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        return true;
    };
    auto number = [](std::string_view value, double& out) {
        std::string copy(value);
        char* end = nullptr;
        out = std::strtod(copy.c_str(), &end);
        return !copy.empty() && end && *end == '\0';
    };

    size_t at = 0;
    std::string_view code, value;
    bool have_min = false, have_max = false;
    double* target_x = nullptr;
    double* target_y = nullptr;
    bool in_header = false;
    while (next_line(at, code) && next_line(at, value)) {
        if (code == "0" && value == "ENDSEC" && in_header)
            break;
        if (code == "2" && value == "HEADER")
            in_header = true;
        if (!in_header)
            continue;
        if (code == "9") {
            target_x = target_y = nullptr;
            if (value == "$EXTMIN") {
                target_x = &extents.Min_X;
                target_y = &extents.Min_Y;
                have_min = true;
            } else if (value == "$EXTMAX") {
                target_x = &extents.Max_X;
                target_y = &extents.Max_Y;
                have_max = true;
            }
        } else if (code == "10" && target_x) {
            if (!number(value, *target_x))
                return false;
        } else if (code == "20" && target_y) {
            if (!number(value, *target_y))
                return false;
        }
    }
    return have_min && have_max && extents.Valid();
}

// Page geometry in hundredths of a millimetre, y downwards.
struct Rect {
    long long X = 0, Y = 0, Width = 0, Height = 0;
};

// The longer side of the union's picture, and the margin around it.
constexpr double Union_Long_Side = 38000; // 38 cm: about 2240 pixels at 150 dpi
constexpr long long Margin = 1000;

// The page that holds the union of the versions' extents at one scale.
inline Rect Page_Of(const Extents& all)
{
    double scale = Union_Long_Side / std::max(all.Width(), all.Height());
    return {0, 0, std::llround(all.Width() * scale) + 2 * Margin,
            std::llround(all.Height() * scale) + 2 * Margin};
}

// Where a version whose drawing covers `own` lies on that page.
inline Rect Place(const Extents& own, const Extents& all)
{
    double scale = Union_Long_Side / std::max(all.Width(), all.Height());
    return {Margin + std::llround((own.Min_X - all.Min_X) * scale),
            Margin + std::llround((all.Max_Y - own.Max_Y) * scale),
            std::llround(own.Width() * scale), std::llround(own.Height() * scale)};
}

} // namespace dxf_layout
