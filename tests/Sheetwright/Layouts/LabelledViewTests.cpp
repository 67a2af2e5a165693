#include "Sheetwright/Editors/LabelledView.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace Sheetwright;

TEST(LabelledView, CaptionSitsCentredDirectlyUnderItsControl)
{
    auto check = [](LabelledView& view) {
        view.resize(view.sizeHint().width() + 40, view.sizeHint().height() + 30); // room to spare
        view.show();
        const QRect control = view.control()->geometry();
        const QRect caption = view.caption()->geometry();
        EXPECT_EQ(view.caption()->text(), "Width");
        EXPECT_EQ(view.control()->accessibleName(), "Width");
        EXPECT_EQ(caption.top(), control.bottom() + 1);
        EXPECT_NEAR(caption.center().x(), control.center().x(), 1);
        EXPECT_NEAR(control.center().x(), view.rect().center().x(), 1);
        EXPECT_LT(view.caption()->font().pointSizeF(), view.font().pointSizeF());
        view.setEnabled(false);
        EXPECT_FALSE(view.caption()->isEnabled());
        return std::make_pair(control.size(), caption.size());
    };
    LabelledView plain(QStringLiteral("Width"), new QLineEdit);
    WideLabelledView wide(QStringLiteral("Width"), new QLineEdit);
    EXPECT_EQ(check(plain), check(wide));
}
