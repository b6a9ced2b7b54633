// The program as the desktop sees it: names, desktop entry, window icon, and
// the About box's word on what Visio, DXF and Word files need.
#include "app/gui/U_About_Varnolt.h"
#include "app/gui/program_identity.h"

#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <gtest/gtest.h>

#include <string>

namespace {

// The value of Key in the desktop entry's [Desktop Entry] group.
QString Desktop_Entry_Value(const QString& Key)
{
    QFile file(QStringLiteral(VARNOLT_TEST_DATA "/../../packaging/%1.desktop")
                   .arg(QString::fromLatin1(Desktop_File_Name)));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << file.fileName().toStdString();
    bool in_entry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            in_entry = line == QStringLiteral("[Desktop Entry]");
        else if (in_entry && line.startsWith(Key + QLatin1Char('=')))
            return line.mid(Key.size() + 1);
    }
    return {};
}

} // namespace

TEST(Program_Identity, TheWindowClassAndDesktopNameMatchTheDesktopEntry)
{
    // The X11 window class is the application name.
    EXPECT_EQ(QGuiApplication::applicationName(), QString::fromLatin1(Window_Class));
    EXPECT_EQ(Desktop_Entry_Value(QStringLiteral("StartupWMClass")),
              QString::fromLatin1(Window_Class));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QString::fromLatin1(Desktop_File_Name));
    EXPECT_EQ(Desktop_Entry_Value(QStringLiteral("Icon")), QStringLiteral("varnolt"));
    // Settings are kept under the maker's name.
    EXPECT_EQ(QSettings().organizationName(), QStringLiteral("Quorbit"));
}

TEST(Program_Identity, TheWindowIconIsBuiltIn)
{
    const QIcon icon = QGuiApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(QSize(64, 64)).toImage();
    ASSERT_EQ(image.size(), QSize(64, 64));
    // The icon's two sheets: a red line on the left one, a green one on the right.
    bool red = false, green = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red |= c.red() > 200 && c.green() < 80 && c.alpha() == 255;
            green |= c.green() > 140 && c.red() < 80 && c.alpha() == 255;
        }
    EXPECT_TRUE(red);
    EXPECT_TRUE(green);
}

TEST(Program_Identity, TheAboutBoxNamesWhatReadsVisioDxfAndWordFiles)
{
    const std::string usage = Usage_Text();
#ifdef _WIN32
    EXPECT_NE(usage.find("MS Visio drawings (need MS Visio to be installed)"), std::string::npos);
    EXPECT_EQ(usage.find("LibreOffice"), std::string::npos);
#else
    EXPECT_NE(usage.find("MS Visio, DXF and Word files (need LibreOffice to be installed)\r\n"),
              std::string::npos);
    EXPECT_EQ(usage.find("need MS Visio"), std::string::npos);
    EXPECT_EQ(usage.find("need MS Word"), std::string::npos);
#endif
}
