// The part of a PDF page that is shown and drawn, and how it is turned: the
// frame that places a point of the page's own space (points, y up) on the
// page's picture.
#pragma once

#include <QSizeF>

#include <array>
#include <utility>

class QPDFObjectHandle;

struct T_Page_Frame {
    std::array<double, 4> Box{0, 0, 0, 0}; // left, bottom, right, top
    int Rotate = 0;                        // 0, 90, 180 or 270, clockwise

    // A point of the page's space, in points from the shown page's top left.
    std::pair<double, double> Shown(double X, double Y) const;
    // The point of the page's space shown at (Across, Down).
    std::pair<double, double> Unshown(double Across, double Down) const;
    // The shown page's size in points, turned as it is shown.
    QSizeF Shown_Points() const;
};

// The frame the drawing library shows page Page in: its crop box within its
// media box (a letter sheet where it has none), the media box where the
// crop box is missing or lies wholly off it (as the page is drawn, see
// Pdf_Drawn_File), turned by the page's rotation in quarter turns.
T_Page_Frame Page_Frame_Of(QPDFObjectHandle Page);

// Box read from a PDF rectangle, either corner first; false for anything
// that is not four numbers.
bool Read_Pdf_Box(QPDFObjectHandle Array, std::array<double, 4>& Box);
