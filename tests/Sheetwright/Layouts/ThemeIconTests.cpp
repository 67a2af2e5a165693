#include "Sheetwright/Icons/ThemeIcon.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace Sheetwright;

// Without any desktop theme every icon the application asks for is still drawn, and drawn as itself.
TEST(ThemeIcon, EveryIconTheApplicationUsesIsDrawnWithoutATheme)
{
    QIcon::setThemeName(QString());
    QIcon::setFallbackThemeName(QString());
    for (const char* name :
         {"list-add", "list-remove", "view-refresh", "document-save", "sidebar-show", "go-previous", "go-up",
          "go-home", "object-rotate-left", "preferences-system", "system-software-update"}) {
        const QIcon icon = themeIcon(QString::fromLatin1(name));
        ASSERT_FALSE(icon.isNull()) << name;
        const QImage image = icon.pixmap(16, 16).toImage();
        ASSERT_FALSE(image.isNull()) << name;
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = qAlpha(image.pixel(x, y)) > 0;
        EXPECT_TRUE(drawn) << name << " is blank";
    }
    // Plus and minus are different drawings (the sidebar's add and remove).
    EXPECT_NE(themeIcon(QStringLiteral("list-add")).pixmap(16).toImage(),
              themeIcon(QStringLiteral("list-remove")).pixmap(16).toImage());
    EXPECT_TRUE(themeIcon(QStringLiteral("no-such-icon")).isNull());
}
