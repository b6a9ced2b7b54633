// Revisions of a drawn sheet with known edits: a frame with a title block,
// dimensioned parts and labels, drawn with a real font, and one edit made
// on a copy (a word of the title block, a dimension value, a part or a
// label moved, a part moved and changed, two separate notes, a retouched
// photo). Each revision names how many edits it made.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

namespace test {

struct T_Sheet_Content {
    std::string Revision = "REV B";
    std::string Dimension = "125";
    QPoint Part{900, 700}; // the bracket's top left
    QPoint Label{1500, 1200};
    std::string Note_1 = "PAINT RAL 7035", Note_2 = "DEBURR ALL EDGES";
    bool Extra_Hole = false; // the bracket with a third hole
};

inline void Draw_Text(QPainter& painter, QPoint at, int pixels, const std::string& text)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    painter.setFont(font);
    painter.drawText(at, QString::fromStdString(text));
}

// Whether this machine's fonts draw letters apart: a Windows build under
// wine may find no font and draw every letter as the same box, and then the
// sheets' edited words look alike on both sides.
inline bool Fonts_Draw_Text()
{
    const auto drawn = [](const std::string& Text) {
        QImage probe(120, 40, QImage::Format_RGB32);
        probe.fill(Qt::white);
        QPainter painter(&probe);
        painter.setPen(Qt::black);
        Draw_Text(painter, QPoint(4, 30), 24, Text);
        return probe;
    };
    return drawn("REV B") != drawn("REV C");
}

// A bracket: an outline with holes and hatching.
inline void Draw_Part(QPainter& painter, QPoint at, bool extra_hole)
{
    painter.save();
    painter.translate(at);
    painter.setPen(QPen(Qt::black, 4));
    painter.setBrush(Qt::NoBrush);
    QPainterPath outline;
    outline.moveTo(0, 0);
    outline.lineTo(320, 0);
    outline.lineTo(320, 90);
    outline.lineTo(140, 90);
    outline.lineTo(140, 260);
    outline.lineTo(0, 260);
    outline.closeSubpath();
    painter.drawPath(outline);
    painter.drawEllipse(QPoint(60, 45), 22, 22);
    painter.drawEllipse(QPoint(260, 45), 22, 22);
    if (extra_hole)
        painter.drawEllipse(QPoint(70, 200), 30, 30);
    painter.setPen(QPen(Qt::black, 2));
    for (int x = 20; x < 140; x += 28)
        painter.drawLine(x, 110, x + 40, 150);
    painter.restore();
}

inline QImage Draw_Sheet(const T_Sheet_Content& content, int width = 2400, int height = 1700)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 4));
    painter.drawRect(40, 40, width - 80, height - 80);
    // The title block, bottom right.
    const QRect block(width - 900, height - 300, 860, 260);
    painter.drawRect(block);
    painter.drawLine(block.left(), block.top() + 130, block.right(), block.top() + 130);
    painter.setPen(QPen(Qt::black, 1));
    Draw_Text(painter, block.topLeft() + QPoint(30, 80), 48, "MOUNTING BRACKET");
    Draw_Text(painter, block.topLeft() + QPoint(30, 210), 48, "DWG 4711-02");
    Draw_Text(painter, block.topLeft() + QPoint(560, 210), 48, content.Revision);
    // A dimension with its value above a line and arrows.
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(200, 400, 700, 400);
    painter.drawLine(200, 380, 200, 420);
    painter.drawLine(700, 380, 700, 420);
    Draw_Text(painter, QPoint(410, 385), 40, content.Dimension);
    Draw_Part(painter, content.Part, content.Extra_Hole);
    Draw_Text(painter, content.Label, 40, "PUMP P-101");
    Draw_Text(painter, QPoint(200, 1100), 36, content.Note_1);
    Draw_Text(painter, QPoint(200, 1180), 36, content.Note_2);
    painter.end();
    return image;
}

// A photo-like picture: smooth light and shade with fine grain, and a
// retouched variant with a spot lightened (a blemish taken out).
inline QImage Draw_Photo(bool retouched)
{
    QImage image(1200, 800, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            int r = 90 + x / 12 + grain, g = 120 + y / 10 + grain, b = 160 - x / 20 + grain;
            const int dx = x - 700, dy = y - 350;
            if (retouched && dx * dx + dy * dy < 40 * 40)
                r += 40, g += 40, b += 40;
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

} // namespace test
