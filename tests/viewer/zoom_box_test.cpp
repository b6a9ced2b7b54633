// The zoom ladder and the "View" row's zoom box on a real diff view.
#include "tests/diff_view_support.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"
#include "engine/u_temp_files.h"
#include "viewer/u_zoom.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/u_pane_image.h"
#include "viewer/zoom_box.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

TEST(Zoom_Ladder, StepsInFromOneReachEveryPowerOfTwoExactly)
{
    std::vector<double> reached;
    for (double zoom = Min_Zoom; zoom < Max_Zoom; zoom = Zoomed_In(zoom))
        reached.push_back(zoom);
    reached.push_back(Max_Zoom);
    for (double power : {1.0 / 32, 0.25, 0.5, 1.0, 2.0, 4.0, 8.0, 32.0})
        EXPECT_NE(std::find(reached.begin(), reached.end(), power), reached.end()) << power;
    // Three rungs per doubling, each a constant ratio above the last.
    EXPECT_EQ(reached.size(), 10u * Zoom_Steps_Per_Doubling + 1);
    for (std::size_t i = 1; i < reached.size(); ++i)
        EXPECT_NEAR(reached[i] / reached[i - 1], Zoom_Step, 1e-12);
}

TEST(Zoom_Ladder, StepsOutRetraceTheStepsIn)
{
    for (double zoom = 1.0, up = Zoomed_In(zoom); up < Max_Zoom; zoom = up, up = Zoomed_In(up))
        EXPECT_EQ(Zoomed_Out(up), zoom);
    EXPECT_EQ(Zoomed_Out(Min_Zoom), Min_Zoom);
    EXPECT_EQ(Zoomed_In(Max_Zoom), Max_Zoom);
}

TEST(Zoom_Ladder, AZoomBetweenRungsStepsToTheNearestRungInThatDirection)
{
    // 381.5 % lies between 317.5 % and 400 %.
    EXPECT_EQ(Zoomed_In(3.815), 4.0);
    EXPECT_NEAR(Zoomed_Out(3.815), Zoom_Rung(5), 1e-12);
    EXPECT_EQ(Zoomed_Out(0.3), 0.25);
    EXPECT_NEAR(Zoomed_In(0.3), Zoom_Rung(-5), 1e-12);
    // A rung reached by arithmetic that is a hair off still counts as that rung.
    EXPECT_EQ(Zoomed_In(2.0 * (1 - 1e-12)), Zoom_Rung(4));
}

TEST(Zoom_Box_Text, ReadsPresetsAndTypedPercentages)
{
    struct Case {
        const char* text;
        bool fit;
        double zoom;
    };
    for (const Case& c : {Case{"Fit", true, 1.0}, Case{" fit ", true, 1.0}, Case{"150", false, 1.5},
                          Case{"150 %", false, 1.5}, Case{"150%", false, 1.5},
                          Case{"12.5 %", false, 0.125}, Case{"800 %", false, 8.0}}) {
        std::optional<T_Zoom_Choice> choice = Parsed_Zoom_Choice(QString::fromLatin1(c.text));
        ASSERT_TRUE(choice) << c.text;
        EXPECT_EQ(choice->Fit, c.fit) << c.text;
        EXPECT_DOUBLE_EQ(choice->Zoom, c.zoom) << c.text;
    }
    for (const char* wrong : {"", "%", "abc", "0", "-50", "1.5x", "inf", "nan"})
        EXPECT_FALSE(Parsed_Zoom_Choice(QString::fromLatin1(wrong))) << wrong;
    EXPECT_EQ(Zoom_Text(1.0), QStringLiteral("100 %"));
    EXPECT_EQ(Zoom_Text(0.375), QStringLiteral("37.5 %"));
    EXPECT_EQ(Zoom_Text(Zoom_Step), QStringLiteral("126 %"));
}

namespace {

class Zoom_Box : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::unique_ptr<TView_diff_frame> Open()
    {
        for (const char* name : {"a.png", "b.png"}) {
            QImage image(1200, 900, QImage::Format_RGB32);
            image.fill(Qt::white);
            EXPECT_TRUE(image.save(QString::fromStdString(dir / name), "PNG"));
        }
        auto frame = std::make_unique<TView_diff_frame>(nullptr, dir / "a.png", "Base version",
                                                        dir / "b.png", "", nullptr,
                                                        T_Converter_Kind::None, T_Paged_Kind::None);
        frame->resize(1000, 700);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return frame;
    }
    static T_Zoom_Box* Box(const TView_diff_frame& frame)
    {
        return dynamic_cast<T_Zoom_Box*>(test::Find<QComboBox>(frame, "Zoom_Box"));
    }
    static void Type(QComboBox* box, const QString& text)
    {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    }
    static void Expect_Zoom(const TView_diff_frame& frame, double zoom)
    {
        for (const char* name : {"View_Image_Frame1", "View_Image_Frame2"})
            EXPECT_DOUBLE_EQ(test::Find_Pane(frame, name)->Zoom(), zoom) << name;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

} // namespace

TEST_F(Zoom_Box, SitsInTheViewRowWithItsPresetsAndAccessibleName)
{
    auto frame = Open();
    T_Zoom_Box* box = Box(*frame);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), test::Find<QWidget>(*frame, "ToolBar2"));
    EXPECT_EQ(box->accessibleName(), QStringLiteral("Zoom"));
    QStringList presets;
    for (int i = 0; i < box->count(); ++i)
        presets << box->itemText(i);
    EXPECT_EQ(presets.join(QLatin1Char(',')),
              QStringLiteral("Fit,25 %,50 %,100 %,200 %,400 %,800 %"));
    EXPECT_EQ(box->currentText(), QStringLiteral("100 %"));
}

TEST_F(Zoom_Box, PresetsAndTypedValuesZoomEveryPane)
{
    auto frame = Open();
    T_Zoom_Box* box = Box(*frame);
    box->textActivated(QStringLiteral("400 %"));
    Expect_Zoom(*frame, 4.0);
    Type(box, QStringLiteral("150"));
    Expect_Zoom(*frame, 1.5);
    EXPECT_EQ(box->currentText(), QStringLiteral("150 %"));
    // What was typed counts, not the preset it begins ("20" is not "200 %").
    Type(box, QStringLiteral("20"));
    Expect_Zoom(*frame, 0.2);
    Type(box, QStringLiteral("25 %"));
    Expect_Zoom(*frame, 0.25);
    // The list holds the presets only: typed values are not added to it.
    EXPECT_EQ(box->count(), 7);
    // Text that is not a zoom changes nothing and puts the zoom back.
    Type(box, QStringLiteral("big"));
    Expect_Zoom(*frame, 0.25);
    EXPECT_EQ(box->currentText(), QStringLiteral("25 %"));
    // Out of range: clamped, and the box says so.
    Type(box, QStringLiteral("100000"));
    Expect_Zoom(*frame, Max_Zoom);
    EXPECT_EQ(box->currentText(), QStringLiteral("3200 %"));
}

TEST_F(Zoom_Box, FollowsTheButtonsAndFitAndFitsOnRequest)
{
    auto frame = Open();
    T_Zoom_Box* box = Box(*frame);
    test::Find_Action(*frame, "Zoom_In_A")->trigger();
    EXPECT_EQ(box->currentText(), Zoom_Text(Zoom_Step));
    test::Find_Action(*frame, "Zoom_100_A")->trigger();
    EXPECT_EQ(box->currentText(), QStringLiteral("100 %"));

    box->textActivated(QStringLiteral("Fit"));
    EXPECT_EQ(frame->ViewMode(), T_View_Mode::Fit);
    EXPECT_TRUE(test::Find_Action(*frame, "Fit_A")->isChecked());
    TPane_Image* image = test::Find_Pane(*frame, "View_Image_Frame1")->Image1;
    const double fitted = double(image->Draw_Rect().width()) / 1200;
    ASSERT_LT(fitted, 1.0);
    EXPECT_EQ(box->currentText(), Zoom_Text(fitted));
    // Fit again keeps fit mode (the Fit button would toggle it off).
    box->textActivated(QStringLiteral("Fit"));
    EXPECT_EQ(frame->ViewMode(), T_View_Mode::Fit);
    // A preset leaves fit mode.
    box->textActivated(QStringLiteral("200 %"));
    EXPECT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    Expect_Zoom(*frame, 2.0);
    test::Find_Action(*frame, "Zoom_In_A")->trigger();
    EXPECT_EQ(box->currentText(), Zoom_Text(Zoom_Rung(4)));
}

// On a screen of two device pixels per logical pixel, 100 % is one picture
// pixel per logical pixel: each picture pixel a sharp 2 x 2 square, no
// colour between two neighbours.
TEST(Zoom_Device_Pixels, AtTwiceTheDensityEachPicturePixelIsASharpSquare)
{
    QImage picture(8, 4, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, (x + y) % 2 ? Qt::black : Qt::white);
    for (double zoom : {1.0, 2.0}) {
        TPane_Image pane;
        pane.resize(40, 20);
        pane.Set_Picture(picture, QString());
        pane.Set_Zoom(zoom);
        QImage shown(pane.size() * 2, QImage::Format_RGB32);
        shown.setDevicePixelRatio(2);
        shown.fill(Qt::red);
        pane.render(&shown);
        const int square = int(2 * zoom);
        for (int y = 0; y < picture.height() * square; ++y)
            for (int x = 0; x < picture.width() * square; ++x)
                ASSERT_EQ(shown.pixelColor(x, y),
                          picture.pixelColor(x / square, y / square).toRgb())
                    << "zoom " << zoom << " at " << x << ", " << y;
    }
}
