#include "EditorFixture.h"
#include "QtPrinting.h"
#include "Sheetwright/Editors/LabelledView.h"
#include "Sheetwright/Editors/PageLayoutView.h"
#include "Sheetwright/Editors/PageSizeView.h"
#include "Sheetwright/Layouts/LayoutUnits.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace Sheetwright;
using RuvedovUzedoz::PageLayout;

namespace {
// Replaces a field's text as a user would and presses Return.
void type(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}
} // namespace

class PageSizeViewTest : public EditorFixture {};

TEST_F(PageSizeViewTest, ShowsTheLayoutInTheStoredUnitAndFollowsUnitChanges)
{
    PageLayoutView view(binding(), defaults.get());
    auto* width = view.findChild<QLineEdit*>("widthField");
    auto* height = view.findChild<QLineEdit*>("heightField");
    auto* margin = view.findChild<QLineEdit*>("marginField");
    ASSERT_TRUE(width && height && margin);
    EXPECT_EQ(width->text(), "11 in");
    EXPECT_EQ(height->text(), "8.5 in");
    EXPECT_EQ(margin->text(), "0.25 in");
    EXPECT_EQ(width->accessibleName(), "Width");
    EXPECT_EQ(qobject_cast<LabelledView*>(width->parentWidget())->toolTip(), "Set the page width");

    // A second window follows the same setting.
    KestrelExtensions::Observable<PageLayout> other(edited(PageLayout::defaultLayout(), [](auto& l) {
        l.width = 595.3;
        l.height = 841.9;
    }));
    PageSizeView otherView(KestrelExtensions::Binding<PageLayout>::of(other).member(&PageLayout::width),
                           KestrelExtensions::Binding<PageLayout>::of(other).member(&PageLayout::height),
                           KestrelExtensions::Binding<PageLayout>::of(other).member(&PageLayout::margin),
                           defaults.get());
    storeLayoutUnits(*defaults, LayoutUnits::metric);
    EXPECT_EQ(width->text(), "279.4 mm");
    EXPECT_EQ(margin->text(), "6.35 mm");
    EXPECT_EQ(otherView.findChild<QLineEdit*>("widthField")->text(), "210.009 mm");
    storeLayoutUnits(*defaults, LayoutUnits::points);
    EXPECT_EQ(height->text(), "612 pt");
    EXPECT_EQ(changes->count(), 0);
    EXPECT_EQ(model.get(), PageLayout::defaultLayout());
}

TEST_F(PageSizeViewTest, TypedSizesAreStoredInPointsOnceEach)
{
    PageLayoutView view(binding(), defaults.get());
    view.show();
    auto* width = view.findChild<QLineEdit*>("widthField");
    auto* margin = view.findChild<QLineEdit*>("marginField");

    type(width, "10");
    EXPECT_EQ(model.get().width, 720);
    EXPECT_EQ(width->text(), "10 in");
    EXPECT_EQ(changes->count(), 1);
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) { l.width = 720; }));

    // Return on unchanged text, or on text that reads as the stored value, writes nothing.
    QTest::keyClick(width, Qt::Key_Return);
    type(width, "10 in");
    EXPECT_EQ(changes->count(), 1);

    storeLayoutUnits(*defaults, LayoutUnits::metric);
    type(margin, "5 mm");
    EXPECT_NEAR(model.get().margin, 5 * 72 / 25.4, 1e-6);
    EXPECT_EQ(changes->count(), 2);
}

TEST_F(PageSizeViewTest, RefusesAbsurdInputAndShowsTheStoredValueAgain)
{
    PageLayoutView view(binding(), defaults.get());
    view.show();
    struct Row {
        const char* field;
        const char* text;
    };
    const Row rows[] = {{"widthField", "abc"},  {"widthField", "nan"},         {"widthField", "inf"},
                        {"widthField", "0"},    {"heightField", "-3"},         {"heightField", "1e300"},
                        {"marginField", "-1"},  {"marginField", "0.25 mm in"}, {"widthField", ""},
                        {"heightField", "201"}, {"widthField", "11 mm"}};
    for (const auto& row : rows) {
        auto* field = view.findChild<QLineEdit*>(row.field);
        const QString before = field->text();
        type(field, QString::fromUtf8(row.text));
        EXPECT_EQ(field->text(), before) << row.text;
    }
    EXPECT_EQ(changes->count(), 0);
    EXPECT_EQ(model.get(), PageLayout::defaultLayout());

    // Points take whole numbers only; a zero margin is fine.
    storeLayoutUnits(*defaults, LayoutUnits::points);
    type(view.findChild<QLineEdit*>("widthField"), "700.5");
    type(view.findChild<QLineEdit*>("marginField"), "0");
    EXPECT_EQ(model.get().width, 792);
    EXPECT_EQ(model.get().margin, 0);
}

class PageLayoutViewTest : public EditorFixture {};

TEST_F(PageLayoutViewTest, GridPickersOfferOneToTenAndWriteOneField)
{
    PageLayoutView view(binding(), defaults.get());
    auto* rows = view.findChild<QComboBox*>("rowsPicker");
    auto* columns = view.findChild<QComboBox*>("columnsPicker");
    ASSERT_TRUE(rows && columns);
    QStringList texts;
    for (int i = 0; i < rows->count(); ++i)
        texts << rows->itemText(i);
    EXPECT_EQ(texts, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(rows->currentText(), "2");
    EXPECT_EQ(columns->currentText(), "2");
    EXPECT_EQ(rows->accessibleName(), "Rows");

    emit rows->activated(4);
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) { l.rows = 5; }));
    emit rows->activated(4); // the same choice again is no change
    EXPECT_EQ(changes->count(), 1);

    // Values no option stands for show no selection and are kept; a preset shows at once.
    model.modify([](auto& l) {
        l.rows = 12;
        l.columns = 0;
    });
    EXPECT_EQ(rows->currentIndex(), -1);
    EXPECT_EQ(columns->currentIndex(), -1);
    EXPECT_EQ(model.get().rows, 12);
    model.modify([](auto& l) { l.rows = l.columns = 1; });
    EXPECT_EQ(rows->currentText(), "1");
    EXPECT_EQ(columns->currentText(), "1");
}
