// Pictures and pages of solid squares on white paper for the view tests: no
// edge pixel passes for anti-aliasing, so every square counts whole.
#pragma once

#include "tests/test_support.h"
#include "automation/u_multi_page_const.h"
#include "engine/u_temp_files.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <initializer_list>
#include <utility>
#include <string>
#include <vector>

namespace test {

struct Square {
    QRect Box;
    QColor Colour = Qt::black;
};

inline QImage Paper(QSize size, std::initializer_list<Square> squares = {})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const Square& square : squares)
        painter.fillRect(square.Box, square.Colour);
    return image;
}

// Two pages a document; page n of the modified document ("...b.cdw", not
// the session's private copy of the base, which takes its name) has 2n
// squares, the base's pages are blank.
class Square_Pages : public T_Base_Multipage_Wrapper {
public:
    bool Start_App() override { return true; }
    bool Quit_App() override { return true; }
    bool Close_Doc(int) override { return true; }
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index, std::string&) override
    {
        Docs.push_back({T_Variant(), true, {}});
        for (int page = 0; page < 2; ++page)
            Docs.back().Pages.Items->push_back({std::to_string(page), page, ""});
        Modified.push_back(File_Name.ends_with("b.cdw") && File_Name.rfind(Temp_Dir(), 0) != 0);
        Doc_Index = int(Docs.size()) - 1;
        return T_Open_Result::Ok;
    }

protected:
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override
    {
        QImage picture = Paper({200, 100});
        for (int square = 0; Modified[std::size_t(Doc_Index)] && square < page * 2; ++square)
            QPainter(&picture).fillRect(20 + 80 * square, 30, 20, 20, Qt::black);
        picture.save(QString::fromStdString(File_Name), "PNG");
    }
    std::vector<bool> Modified;
};

// Writes a pair for the view in `dir`: the two pictures as PNG files, or,
// for a paged kind, two empty documents whose pages the exporter draws.
// The names of the pair, base first.
inline std::pair<std::string, std::string>
Write_Picture_Pair(const Scratch_Dir& dir, const QImage& base, const QImage& modified, bool paged)
{
    if (paged) {
        Write_File(dir / "a.cdw", "");
        Write_File(dir / "b.cdw", "");
        return {dir / "a.cdw", dir / "b.cdw"};
    }
    base.save(QString::fromStdString(dir / "a.png"), "PNG");
    modified.save(QString::fromStdString(dir / "b.png"), "PNG");
    return {dir / "a.png", dir / "b.png"};
}

} // namespace test
