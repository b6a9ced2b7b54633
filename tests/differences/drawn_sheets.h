// Sheets of a drawing set drawn at the resolution pages are drawn at (150
// dpi): a frame with a title block, wires, outlined components and their labels
// placed by the sheet's number, in millimetres on the paper. A sheet can be
// edited (a filled box added), drawn on other paper, or drawn larger.
#pragma once

#include "differences/page_pairing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace test {

struct T_Sheet_Plan {
    int Number = 1;
    double Paper_Width = 210, Paper_Height = 297; // millimetres: A4 portrait
    // Millimetres of the drawing per millimetre of paper: a drawing scaled
    // with its paper has its paper's ratio to A4 here.
    double Drawing_Scale = 1;
    bool Frame = true;
    // A filled square of this share of the paper added to the drawing.
    double Added_Box_Share = 0;
    // The drawing turned a quarter, as on landscape paper.
    bool Turned = false;
    // Everything on the paper (frame included) moved by this many pixels
    // right and down, as by an export whose origin moved.
    int Shift_X = 0, Shift_Y = 0;
};

class T_Drawn_Sheet {
public:
    static constexpr double Pixels_Per_Mm = 150 / 25.4;

    explicit T_Drawn_Sheet(const T_Sheet_Plan& plan)
        : Width(Pixels(plan.Paper_Width)), Height(Pixels(plan.Paper_Height)),
          Grey(std::size_t(Width) * Height, 255), Plan(plan)
    {
        if (plan.Frame)
            Draw_Frame();
        Draw_Drawing();
        if (plan.Added_Box_Share > 0) {
            const double side = std::sqrt(plan.Added_Box_Share * Width * Height);
            const int x = Width / 3, y = Height / 3;
            Fill(x, y, x + int(side), y + int(side));
        }
    }

    T_Page_Signature Signature() const
    {
        return Make_Page_Signature(Grey.data(), Width, Height, Width, 0);
    }

    const int Width, Height;
    std::vector<std::uint8_t> Grey;

private:
    static int Pixels(double mm) { return int(std::lround(mm * Pixels_Per_Mm)); }

    void Fill(int x0, int y0, int x1, int y1)
    {
        x0 += Plan.Shift_X, x1 += Plan.Shift_X, y0 += Plan.Shift_Y, y1 += Plan.Shift_Y;
        for (int y = std::max(y0, 0); y < std::min(y1, Height); ++y)
            std::fill(
                &Grey[std::size_t(y) * Width + std::max(x0, 0)],
                &Grey[std::size_t(y) * Width + std::max(std::min(x1, Width), std::max(x0, 0))], 0);
    }
    // A rectangle's outline on the paper, in millimetres, lines `pen` wide.
    void Outline(double x0, double y0, double x1, double y1, double pen)
    {
        const int p = std::max(1, Pixels(pen));
        const int l = Pixels(x0), t = Pixels(y0), r = Pixels(x1), b = Pixels(y1);
        Fill(l, t, r, t + p), Fill(l, b - p, r, b);
        Fill(l, t, l + p, b), Fill(r - p, t, r, b);
    }
    void Draw_Frame()
    {
        const double w = Plan.Paper_Width, h = Plan.Paper_Height;
        Outline(10, 10, w - 10, h - 10, 0.5);
        Outline(w - 110, h - 40, w - 10, h - 10, 0.5);
        for (int row = 0; row < 3; ++row)
            for (int letter = 0; letter < 20; ++letter)
                Fill(Pixels(w - 105 + letter * 4.5), Pixels(h - 35 + row * 9),
                     Pixels(w - 102 + letter * 4.5), Pixels(h - 31 + row * 9));
    }
    // The sheet's own drawing, in drawing millimetres from the paper's top
    // left (or turned), scaled by Drawing_Scale.
    void Drawn_Outline(double x0, double y0, double x1, double y1, double pen)
    {
        const double s = Plan.Drawing_Scale;
        if (Plan.Turned)
            Outline(y0 * s, x0 * s, y1 * s, x1 * s, pen * s);
        else
            Outline(x0 * s, y0 * s, x1 * s, y1 * s, pen * s);
    }
    void Draw_Drawing()
    {
        unsigned seed = 2654435761u * unsigned(Plan.Number + 7);
        auto next = [&seed](int range) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 8) % unsigned(range));
        };
        for (int shape = 0; shape < 14; ++shape) {
            const double x = 20 + next(140), y = 20 + next(200);
            const double w = 8 + next(25), h = 6 + next(18);
            Drawn_Outline(x, y, x + w, y + h, 0.35);
            // Its label: a few letters over it.
            for (int letter = 0; letter < 3 + next(5); ++letter)
                Drawn_Outline(x + letter * 2.2, y - 4, x + letter * 2.2 + 1.6, y - 1.5, 0.8);
            // A wire from it, across and then down.
            const double across = 10 + next(40), down = 10 + next(40);
            Drawn_Outline(x + w, y + h / 2, x + w + across, y + h / 2 + 0.3, 0.3);
            Drawn_Outline(x + w + across, y + h / 2, x + w + across + 0.3, y + h / 2 + down, 0.3);
        }
    }

    const T_Sheet_Plan Plan;
};

} // namespace test
