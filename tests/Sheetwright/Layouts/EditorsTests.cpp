#include "EditorFixture.h"
#include "RuvedovUzedoz/Sheet/PDFMetadata.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"
#include "Sheetwright/Editors/ColorWell.h"
#include "Sheetwright/Editors/LabelledView.h"
#include "Sheetwright/Editors/LayoutSettings.h"
#include "Sheetwright/Editors/PDFMetadataView.h"
#include "Sheetwright/Editors/PageLayoutView.h"
#include "Sheetwright/Editors/PageRenderingView.h"
#include "Sheetwright/Editors/PageStyleView.h"
#include "Sheetwright/Editors/SegmentedPicker.h"
#include "Sheetwright/Icons/ThemeIcon.h"
#include "Sheetwright/Layouts/LayoutUnits.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QToolButton>
#include <QWheelEvent>

using namespace Sheetwright;
using RuvedovUzedoz::Color;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::PDFMetadata;

namespace {
const QLocale usEnglish(QLocale::English, QLocale::UnitedStates);

QWidget* captionOf(QWidget* control)
{
    for (QWidget* up = control; up; up = up->parentWidget())
        if (auto* stack = qobject_cast<LabelledView*>(up))
            return stack->caption();
    return nullptr;
}

// Replaces a field's text as a user would and presses Return.
void type(QWidget& view, const char* name, const QString& text)
{
    auto* field = view.findChild<QLineEdit*>(name);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

QString shown(QWidget& view, const char* name)
{
    return view.findChild<QLineEdit*>(name)->text();
}
} // namespace

class PageSizeViewTest : public EditorFixture {};

TEST_F(PageSizeViewTest, ShowsTheLayoutInTheStoredUnitAndFollowsUnitChanges)
{
    PageLayoutView view(binding(), &defaults);
    const std::pair<LayoutUnits, QStringList> rows[] = {
        {LayoutUnits::imperial, {"11 in", "8.5 in", "0.25 in"}},
        {LayoutUnits::metric, {"279.4 mm", "215.9 mm", "6.35 mm"}},
        {LayoutUnits::points, {"792 pt", "612 pt", "18 pt"}}};
    for (const auto& [units, texts] : rows) {
        if (units != LayoutUnits::imperial) // the unit shown when none is stored
            storeLayoutUnits(defaults, units);
        EXPECT_EQ(
            (QStringList{shown(view, "widthField"), shown(view, "heightField"), shown(view, "marginField")}),
            texts);
    }
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(PageSizeViewTest, TypedSizesAreStoredInPointsOnceEachAndAbsurdOnesRefused)
{
    PageLayoutView view(binding(), &defaults);
    view.show();
    // The last two are sides under the 3 pt the renderer takes (0.04 in is 2.88 pt).
    const std::pair<const char*, const char*> refused[] = {
        {"widthField", "abc"},    {"widthField", "0"},           {"heightField", "-3"},
        {"heightField", "1e300"}, {"marginField", "-1"},         {"heightField", "201"},
        {"widthField", "11 mm"},  {"marginField", "0.25 mm in"}, {"heightField", "0.04"},
        {"widthField", "0.001"}};
    for (const auto& [name, text] : refused) {
        const QString before = shown(view, name);
        type(view, name, QString::fromUtf8(text));
        EXPECT_EQ(shown(view, name), before) << text;
    }
    EXPECT_EQ(changes.count(), 0);
    type(view, "widthField", "10");
    EXPECT_EQ(shown(view, "widthField"), "10 in");
    EXPECT_EQ(model.get(), edited([](auto& l) { l.width = 720; }));
    QTest::keyClick(view.findChild<QLineEdit*>("widthField"), Qt::Key_Return); // unchanged text
    EXPECT_EQ(changes.count(), 1);
    storeLayoutUnits(defaults, LayoutUnits::metric);
    type(view, "marginField", "5 mm");
    EXPECT_NEAR(model.get().margin, 5 * 72 / 25.4, 1e-6);
    // Text that reads as the stored value writes nothing, though it parses a hair off (595.302).
    model.modify([](auto& l) { l.width = 595.3; });
    type(view, "widthField", "210.009 mm");
    EXPECT_EQ(changes.count(), 3);
    // Points take whole numbers only; a zero margin is fine.
    storeLayoutUnits(defaults, LayoutUnits::points);
    type(view, "widthField", "700.5");
    type(view, "marginField", "0");
    type(view, "heightField", "2");
    EXPECT_EQ(model.get(), edited([](auto& l) { l.width = 595.3, l.margin = 0; }));
    EXPECT_EQ(changes.count(), 4);
    // The smallest and largest sides the renderer takes are taken.
    type(view, "heightField", "3");
    type(view, "widthField", "14400");
    EXPECT_EQ(std::pair(model.get().width, model.get().height), std::pair(14400.0, 3.0));
}

TEST_F(PageSizeViewTest, GridPickersOfferOneToTenAndWriteOneField)
{
    PageLayoutView view(binding(), &defaults);
    auto* rows = view.findChild<QComboBox*>("rowsPicker");
    auto* columns = view.findChild<QComboBox*>("columnsPicker");
    EXPECT_EQ(rows->itemText(rows->count() - 1), "10");
    EXPECT_EQ(rows->currentText() + columns->currentText(), "22");
    emit rows->activated(4);
    EXPECT_EQ(model.get(), edited([](auto& l) { l.rows = 5; }));
    emit rows->activated(4); // the same choice again is no change
    EXPECT_EQ(changes.count(), 1);
    // Values no option stands for show no selection and are kept; a preset shows at once.
    model.modify([](auto& l) { l.rows = 12, l.columns = 0; });
    EXPECT_EQ(std::pair(rows->currentIndex(), columns->currentIndex()), std::pair(-1, -1));
    EXPECT_EQ(model.get().rows, 12);
    model.modify([](auto& l) { l.rows = l.columns = 1; });
    EXPECT_EQ(rows->currentText() + columns->currentText(), "11");
}

TEST(UnitFormatter, ShowsPointsInTheChosenUnit)
{
    const struct {
        LayoutUnits units;
        double points;
        const char* text;
    } rows[] = {
        // The page editor's table shows the usual sizes in each unit.
        {LayoutUnits::imperial, 4.5, "0.062 in"}, // 0.0625: ties go to even
        {LayoutUnits::metric, 595.3, "210.009 mm"},
        {LayoutUnits::points, 1224, "1,224 pt"},
        {LayoutUnits::points, 595.3, "595.3 pt"}, // fractions are shown, only typed ones are refused
        {LayoutUnits::points, -5, "-5"},          // only the positive suffix exists
        {LayoutUnits::points, 0, "0 pt"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(formatter(row.units).format(row.points, usEnglish), QString::fromUtf8(row.text))
            << row.points << " " << rawValue(row.units).toStdString();
}

TEST(UnitFormatter, ParsesTypedTextIntoPointsAndRefusesGarbage)
{
    const struct {
        LayoutUnits units;
        const char* text;
        std::optional<double> points;
    } rows[] = {
        {LayoutUnits::imperial, "11 in", 792},
        {LayoutUnits::imperial, "11", 792},
        {LayoutUnits::imperial, " 11in ", 792},
        {LayoutUnits::imperial, "8.5 IN", 612},
        {LayoutUnits::metric, "210 mm", 595.275591},
        {LayoutUnits::points, "1,224 pt", 1224},
        {LayoutUnits::points, "12.0", 12},
        {LayoutUnits::points, "12.5", std::nullopt},
        {LayoutUnits::imperial, "11 mm", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto parsed = formatter(row.units).parse(QString::fromUtf8(row.text), usEnglish);
        EXPECT_NEAR(parsed.value_or(-1), row.points.value_or(-1), 1e-9) << row.text;
    }
    EXPECT_EQ(*inchesFormatter().parse(QStringLiteral("11"), usEnglish), 792.0); // exactly, no drift
    for (auto units : allLayoutUnits())
        for (const char* garbage : {"", "   ", "abc", "nan", "inf", "-inf", "1e400", "--3"})
            EXPECT_FALSE(formatter(units).parse(QString::fromUtf8(garbage), usEnglish)) << garbage;
}

TEST_F(PageSizeViewTest, StoredUnitFallsBackToInchesAndSignalsRealChangesOnly)
{
    EXPECT_EQ(storedLayoutUnits(defaults), LayoutUnits::imperial);
    defaults.setString(QStringLiteral("units"), QStringLiteral("bogus"));
    EXPECT_EQ(storedLayoutUnits(defaults), LayoutUnits::imperial);
    EXPECT_EQ(defaults.string(QStringLiteral("units")), QStringLiteral("bogus")); // not rewritten
    QSignalSpy spy(&defaults, &KestrelExtensions::UserDefaults::changed);
    storeLayoutUnits(defaults, LayoutUnits::metric);
    storeLayoutUnits(defaults, LayoutUnits::metric);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(storedLayoutUnits(defaults), LayoutUnits::metric);
    EXPECT_EQ(defaults.string(QStringLiteral("units")), QStringLiteral("metric"));
}

class PageRenderingViewTest : public EditorFixture {
protected:
    PageRenderingView view{binding()};
    SegmentedPicker* picker = view.findChild<SegmentedPicker*>("imageQualityPicker");
    QSlider* slider = view.findChild<QSlider*>("compressionQualitySlider");
};

TEST_F(PageRenderingViewTest, ControlsWriteTheirFieldsAndTheCompressorSwitchTurnsTheQualityControlsOff)
{
    QStringList labels; // the checked one marked with a star
    for (auto* segment : picker->segments())
        labels << segment->text() + (segment->isChecked() ? "*" : "");
    EXPECT_EQ(labels, QStringList({QString::fromUtf8("\U0001F954"), "Low", "Medium*", "High"}));
    EXPECT_EQ(slider->value(), 10);
    // The sizes are what saved layouts hold: they must never change.
    for (int segment : {0, 1, 3}) {
        QTest::mouseClick(picker->segments()[segment], Qt::LeftButton);
        EXPECT_EQ(model.get().imageSizeMax, 512 << segment);
    }
    for (int position : {0, 3, 10}) {
        slider->setValue(position); // as a drag or a key press would
        EXPECT_EQ(model.get().imageQuality, position / 10.0);
    }
    for (const auto& [key, quality] : {std::pair{Qt::Key_Left, 0.9}, {Qt::Key_End, 1.0}}) {
        QTest::keyClick(slider, key); // a tenth a step, full quality at the end
        EXPECT_EQ(model.get().imageQuality, quality);
    }
    // A drag stores each position as it passes it, before the button is released.
    slider->setSliderDown(true);
    for (int position : {7, 6})
        slider->setSliderPosition(position);
    EXPECT_EQ(model.get().imageQuality, 0.6);
    slider->setSliderPosition(10);
    slider->setSliderDown(false);
    EXPECT_EQ(changes.count(), 11);
    EXPECT_EQ(model.get(), edited([](auto& l) { l.imageSizeMax = 4096; }));
    // Values from a file that match no step are shown as near as possible and never written back.
    model.modify([](auto& l) { l.imageSizeMax = 3000, l.imageQuality = 0.75; });
    for (auto* segment : picker->segments())
        EXPECT_FALSE(segment->isChecked());
    EXPECT_EQ(std::pair(slider->value(), int(changes.count())), std::pair(8, 12));
    model.set(PageLayout::defaultLayout());
    auto* compressor = view.findChild<QCheckBox*>("enableCompressor");
    EXPECT_TRUE(compressor->isChecked());
    compressor->click();
    EXPECT_EQ(model.get(), edited([](auto& l) { l.enableQuartz = false; }));
    EXPECT_FALSE(picker->isEnabled());
    EXPECT_TRUE(captionOf(picker)->isEnabled()); // the picker alone
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(captionOf(slider)->isEnabled()); // the slider with its caption and end labels
    EXPECT_FALSE(view.findChild<QLabel*>("maximumLabel")->isEnabled());
    compressor->click();
    EXPECT_TRUE(picker->isEnabled() && slider->isEnabled());
    EXPECT_EQ(model.get(), PageLayout::defaultLayout());
}

class PageStyleViewTest : public EditorFixture {
protected:
    const QString longName = "Noto Serif Display Extra Condensed SemiBold Italic";
    PageStyleView view{binding(), [this] {
                           return QStringList{"DejaVu Sans", "Futura", "Noto Serif", longName};
                       }};
};

TEST_F(PageStyleViewTest, PickersShowTheLayoutWriteOneFieldAndKeepUnknownValues)
{
    auto* fontName = view.findChild<QComboBox*>("fontNamePicker");
    auto* fontSize = view.findChild<QComboBox*>("fontSizePicker");
    EXPECT_EQ(fontName->currentText(), "Futura");
    EXPECT_EQ(fontSize->currentText(), "12 pt");
    EXPECT_GE(fontName->sizeHint().width(), 18 * fontName->fontMetrics().horizontalAdvance('X'))
        << "a usual name fits";
    EXPECT_LT(fontName->sizeHint().width(), fontName->fontMetrics().horizontalAdvance(longName))
        << "a long one does not widen the column";
    EXPECT_EQ(fontName->itemData(2, Qt::FontRole).value<QFont>().family(), "Noto Serif") << "in its own face";
    emit fontName->activated(2);
    emit fontSize->activated(fontSize->findText("24 pt"));
    EXPECT_EQ(model.get(), edited([](auto& l) { l.fontName = "Noto Serif", l.fontSize = 24; }));
    EXPECT_EQ(changes.count(), 2);
    model.modify([](auto& l) { l.fontName = "Helvetica Neue", l.fontSize = 13.5; });
    EXPECT_EQ(std::pair(fontName->currentIndex(), fontSize->currentIndex()), std::pair(-1, -1));
    EXPECT_EQ(changes.count(), 3);
}

TEST_F(PageStyleViewTest, EachSwitchShowsAndWritesItsFieldAndDisablesItsOwnControls)
{
    const std::tuple<const char*, bool PageLayout::*, std::vector<const char*>> rows[] = {
        {"showLabels", &PageLayout::showsLabel, {"fontNamePicker", "fontSizePicker", "fontColorWell"}},
        {"drawBackground", &PageLayout::drawsBackground, {"backgroundColorWell"}},
        {"drawBoundingBoxes", &PageLayout::drawsBoundingBox, {}},
        {"drawImages", &PageLayout::drawsImages, {}},
    };
    for (const auto& [box, field, controls] : rows) {
        SCOPED_TRACE(box);
        EXPECT_EQ(view.findChild<QCheckBox*>(box)->isChecked(), PageLayout::defaultLayout().*field);
        view.findChild<QCheckBox*>(box)->click();
        EXPECT_EQ(model.get(), edited([&](auto& l) { l.*field = !(l.*field); }));
        for (const char* name : controls) {
            EXPECT_FALSE(view.findChild<QWidget*>(name)->isEnabled()) << name;
            EXPECT_FALSE(captionOf(view.findChild<QWidget*>(name))->isEnabled()) << name;
        }
        view.findChild<QCheckBox*>(box)->click();
        EXPECT_EQ(model.get(), PageLayout::defaultLayout());
    }
}

TEST_F(PageStyleViewTest, ColourWellsStoreOpaqueColoursAndIgnoreCancel)
{
    auto* font = view.findChild<ColorWell*>("fontColorWell");
    auto* background = view.findChild<ColorWell*>("backgroundColorWell");
    EXPECT_EQ(font->accessibleName(), QStringLiteral("Font Color")); // what a screen reader calls it
    QColor offered;
    font->setChooser([&](const QColor& current, QWidget*, const QString&) {
        offered = current;
        return QColor(255, 0, 0, 128);
    });
    font->click();
    EXPECT_EQ(offered, QColor(Qt::black));
    EXPECT_EQ(model.get(), edited([](auto& l) { l.fontColor = Color::rgb(1, 0, 0, 1); }));
    background->setChooser([](const QColor&, QWidget*, const QString&) { return QColor(); });
    background->click();
    EXPECT_EQ(changes.count(), 1);
    background->setChooser([](const QColor&, QWidget*, const QString&) { return QColor(0, 0, 255); });
    background->click();
    EXPECT_EQ(model.get().backgroundColor, Color::rgb(0, 0, 1, 1));
    EXPECT_EQ(model.get().fontColor, Color::rgb(1, 0, 0, 1));
}

TEST(PDFMetadataView, TypingGoesStraightIntoItsOwnFieldOnly)
{
    KestrelExtensions::Observable<PDFMetadata> model(
        PDFMetadata{.keywords = {"k"}, .header = "h", .footer = "f"});
    QSignalSpy changes(&model, &KestrelExtensions::ObservableBase::changed);
    PDFMetadataView view(KestrelExtensions::Binding<PDFMetadata>::of(model));
    auto* title = view.findChild<QLineEdit*>("titleField");
    QTest::keyClicks(title, "Hello");
    EXPECT_EQ(std::pair(int(changes.count()), title->cursorPosition()), std::pair(5, 5));
    QTest::keyClicks(view.findChild<QLineEdit*>("authorField"), "Ann");
    title->selectAll();
    QTest::keyClick(title, Qt::Key_Backspace);
    EXPECT_EQ(model.get(), (PDFMetadata{.author = "Ann", .keywords = {"k"}, .header = "h", .footer = "f"}));
    EXPECT_FALSE(model.get().title.isNull());
    model.modify([](auto& m) { m.subject = "From elsewhere"; });
    EXPECT_EQ(view.findChild<QLineEdit*>("subjectField")->text(), "From elsewhere");
}

TEST(ColorWellLook, ADisabledWellIsFadedWithoutACheckerboard)
{
    KestrelExtensions::Observable<Color> colour{Color::rgb(1, 0, 0, 0.5)};
    ColorWell well(KestrelExtensions::Binding<Color>::of(colour), QStringLiteral("Color"));
    well.resize(45, 24);
    auto cells = [&] {
        const QImage image = well.grab().toImage();
        return std::pair{image.pixelColor(7, 7), image.pixelColor(11, 7)}; // two cells of the checkerboard
    };
    const auto [lightCell, darkCell] = cells();
    EXPECT_NE(lightCell, darkCell) << "an enabled translucent colour shows the checkerboard";
    well.setEnabled(false);
    const auto [first, second] = cells();
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.alpha(), 255);
}

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

// Without any desktop theme every icon the application asks for is still drawn, and drawn as itself.
TEST(ThemeIcon, EveryIconTheApplicationUsesIsDrawnWithoutATheme)
{
    QIcon::setThemeName(QString());
    QIcon::setFallbackThemeName(QString());
    for (const char* name :
         {"list-add", "list-remove", "view-refresh", "document-save", "sidebar-show", "go-previous", "go-up",
          "go-home", "object-rotate-left", "preferences-system", "system-software-update"}) {
        const QImage alpha =
            themeIcon(QString::fromLatin1(name)).pixmap(16).toImage().convertToFormat(QImage::Format_Alpha8);
        EXPECT_TRUE(std::any_of(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes(),
                                [](uchar a) { return a > 0; }))
            << name << " is blank";
    }
    EXPECT_NE(themeIcon(QStringLiteral("list-add")).pixmap(16).toImage(),
              themeIcon(QStringLiteral("list-remove")).pixmap(16).toImage());
    EXPECT_TRUE(themeIcon(QStringLiteral("no-such-icon")).isNull());
}

class LayoutSettingsTest : public EditorFixture {
protected:
    std::unique_ptr<LayoutSettings> makeColumn()
    {
        return std::make_unique<LayoutSettings>(binding(),
                                                KestrelExtensions::Binding<PDFMetadata>::of(metadata),
                                                &progress, &manager, fonts, &defaults);
    }

    KestrelExtensions::Observable<PDFMetadata> metadata;
    RuvedovUzedoz::PDFProgress progress;
    PageStyleView::FontFamilies fonts = [] { return QStringList{"DejaVu Sans", "Futura"}; };
};

TEST_F(LayoutSettingsTest, FourSectionsOfNamedControlsAllOffWhileRendering)
{
    model.modify([](auto& l) { l.enableQuartz = false; });
    auto column = makeColumn();
    QStringList headers;
    for (auto* label : column->form()->findChildren<QLabel*>())
        if (label->font().bold())
            headers << label->text();
    EXPECT_EQ(headers, QStringList({"Page Layout", "Metadata", "Style", "Rendering"}));
    EXPECT_EQ(column->form()->findChildren<QFrame*>("sectionDivider").size(), 3);
    progress.setRendering(true);
    for (auto* widget : column->form()->findChildren<QWidget*>()) {
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        if (!button && !qobject_cast<QComboBox*>(widget) && !qobject_cast<QLineEdit*>(widget) &&
            !qobject_cast<QSlider*>(widget))
            continue;
        EXPECT_FALSE(widget->accessibleName().isEmpty() && (!button || button->text().isEmpty()))
            << widget->objectName().toStdString() << " cannot be read out";
        EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
    }
    progress.setRendering(false);
    for (const char* name : {"rotateButton", "enableCompressor", "titleField"})
        EXPECT_TRUE(column->findChild<QWidget*>(name)->isEnabled()) << name;
    EXPECT_FALSE(column->findChild<QWidget*>("imageQualityPicker")->isEnabled()) << "its own switch is off";
    EXPECT_FALSE(column->findChild<QWidget*>("compressionQualitySlider")->isEnabled());
    EXPECT_EQ(changes.count(), 1);
    progress.setRendering(true);
    auto late = makeColumn(); // a column made during a render starts disabled
    EXPECT_FALSE(late->form()->isEnabled());
}

TEST_F(LayoutSettingsTest, RotateLightAndDarkEachWriteOnceAndOnlyTheirFields)
{
    auto column = makeColumn();
    column->findChild<QAbstractButton*>("lightButton")->click(); // already black on white
    column->findChild<QAbstractButton*>("rotateButton")->click();
    EXPECT_EQ(model.get(), edited([](auto& l) { std::swap(l.width, l.height); }));
    column->findChild<QAbstractButton*>("darkButton")->click();
    EXPECT_EQ(model.get(), edited([](auto& l) {
                  std::swap(l.width, l.height);
                  l.fontColor = Color::gray(0.82, 1.0), l.backgroundColor = Color::gray(0.18, 1.0);
              }));
    column->findChild<QAbstractButton*>("rotateButton")->click();
    column->findChild<QAbstractButton*>("lightButton")->click();
    EXPECT_EQ(model.get(), PageLayout::defaultLayout());
    EXPECT_EQ(changes.count(), 4);
    model.modify([](auto& l) { l.width = l.height = 600; });
    column->findChild<QAbstractButton*>("rotateButton")->click(); // a square page stays as it is
    column->applyLayout("No Such Layout");
    EXPECT_EQ(changes.count(), 5);
    // A custom Dark takes the preset's place.
    manager.save(RuvedovUzedoz::SavedPageLayout{.rows = 3, .columns = 4}, LayoutManager::TitleKey::dark);
    column->findChild<QAbstractButton*>("darkButton")->click();
    EXPECT_EQ(model.get(), edited([](auto& l) { l.width = l.height = 600, l.rows = 3, l.columns = 4; }));
}

TEST_F(LayoutSettingsTest, ASqueezedColumnNeverCutsItsControlsOff)
{
    // The window's splitter lets the user drag the column narrower; it must stop at the form's width.
    QSplitter splitter;
    splitter.addWidget(new QWidget);
    auto* settings = makeColumn().release();
    splitter.addWidget(settings);
    splitter.setChildrenCollapsible(false);
    splitter.resize(900, 400);
    splitter.show();
    splitter.setSizes({900, 1});
    QCoreApplication::processEvents();
    EXPECT_LE(settings->form()->width(), settings->viewport()->width());
    auto* height = settings->findChild<QWidget*>("heightField");
    const QRect shown(height->mapTo(settings->viewport(), QPoint()), height->size());
    EXPECT_TRUE(settings->viewport()->rect().contains(shown)) << shown.x() << "+" << shown.width();
}

TEST_F(LayoutSettingsTest, TheWheelScrollsTheColumnUntilAControlHasFocus)
{
    auto column = makeColumn();
    column->resize(360, 220);
    column->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(column.get()));
    QScrollBar* scroll = column->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0) << "the column must be short enough to scroll";
    auto turn = [](QWidget* control) {
        const QPoint at = control->rect().center();
        // One notch towards the user: down the column, or the next value of a control.
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(control, &wheel);
    };
    for (const char* name : {"rowsPicker", "fontNamePicker", "compressionQualitySlider"}) {
        auto* control = column->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(control->focusPolicy(), Qt::WheelFocus) << name;
        scroll->setValue(0);
        column->setFocus();
        turn(control);
        EXPECT_EQ(model.get(), PageLayout::defaultLayout()) << name << " changed without focus";
        EXPECT_GT(scroll->value(), 0) << name << " did not scroll the column";
    }
    auto* rows = column->findChild<QWidget*>(QStringLiteral("rowsPicker"));
    rows->setFocus();
    turn(rows);
    EXPECT_NE(model.get().rows, PageLayout::defaultLayout().rows) << "a focused control takes the wheel";
}

TEST_F(LayoutSettingsTest, AStoredFontNameOfAnyLengthIsCutForShowingAndNeverWidensTheColumn)
{
    auto column = makeColumn();
    auto* fontName = column->findChild<QComboBox*>("fontNamePicker");
    column->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(column.get()));
    const auto sizes = [&] {
        return std::tuple(column->sizeHint(), column->form()->sizeHint(), column->form()->minimumSizeHint(),
                          fontName->sizeHint(), fontName->minimumSizeHint());
    };
    const auto usual = sizes();
    QString emoji;
    for (int i = 0; i < 300; ++i)
        emoji += QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString megabyte = "Wide" + QString(1 << 20, u'W');
    for (const QString& name : {QString(200, u'M'), megabyte, "a" + emoji, QString(100, u'M') + "\n" + "x"}) {
        SCOPED_TRACE(name.left(8).toStdString());
        model.modify([&](auto& l) { l.fontName = name; });
        QCoreApplication::processEvents();
        EXPECT_EQ(sizes(), usual);
        const QString shown = fontName->placeholderText();
        EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
        EXPECT_FALSE(shown.contains('\n'));
        EXPECT_TRUE(name.startsWith(shown.chopped(1).replace(QChar(' '), QChar('\n'))) ||
                    name.startsWith(shown.chopped(1)))
            << "the start of the name, whole characters only";
        EXPECT_LE(fontName->fontMetrics().boundingRect(shown).width(), fontName->width());
    }
    EXPECT_EQ(model.get().fontName, QString(100, u'M') + "\nx") << "the stored name stays whole";
    model.modify([&](auto& l) { l.fontName = megabyte; });
    EXPECT_EQ(model.get().fontName.size(), megabyte.size());
    model.modify([&](auto& l) { l.fontName = "Helvetica Neue"; });
    EXPECT_EQ(fontName->placeholderText(), "Helvetica Neue") << "a usual name is shown as it is";
}
