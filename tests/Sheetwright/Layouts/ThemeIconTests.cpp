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
        const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        QImage blank(16, 16, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        EXPECT_NE(image, blank) << name << " is blank";
    }
    // Plus and minus are different drawings (the sidebar's add and remove).
    EXPECT_NE(themeIcon(QStringLiteral("list-add")).pixmap(16).toImage(),
              themeIcon(QStringLiteral("list-remove")).pixmap(16).toImage());
    EXPECT_TRUE(themeIcon(QStringLiteral("no-such-icon")).isNull());
}
