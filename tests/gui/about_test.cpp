#include "app/gui/U_About_Varnolt.h"
#include "platform/os_platform.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

TEST(About, ShowsProductVersionAndTheSixLineUsage)
{
    TAbout_F box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.ProductName_L->text(), QStringLiteral("Varnolt"));
    EXPECT_EQ(box.Version_L->text(), QStringLiteral("Version 1.4"));
    EXPECT_EQ(Usage_Text(),
              std::string("Usage:\r\nvarnolt") + os::Executable_Suffix() +
                  " OldFile NewFile\r\n\r\n"
                  "Support for common image format (BMP, GIF, JPG, PNG, PSD, SVG etc.),\r\n"
#ifdef _WIN32
                  "MS Visio drawings (need MS Visio to be installed)\r\n"
#else
                  "MS Visio, DXF and Word files (need LibreOffice to be installed)\r\n"
#endif
                  "KOMPAS-Graphics CDW drawings (need Kompas to be installed)");
    EXPECT_EQ(box.Info_M->toPlainText().split(QLatin1Char('\n')).size(), 6);
    EXPECT_TRUE(box.Info_M->isReadOnly());
    EXPECT_TRUE(box.www_main_l->text().contains(QString::fromLatin1(Maker_Web_Site)));
}
