#include "EditorFixture.h"
#include "QtPrinting.h"
#include "RuvedovUzedoz/Sheet/PDFMetadata.h"
#include "Sheetwright/Editors/ColorWell.h"
#include "Sheetwright/Editors/LabelledView.h"
#include "Sheetwright/Editors/PDFMetadataView.h"
#include "Sheetwright/Editors/PageRenderingView.h"
#include "Sheetwright/Editors/PageStyleView.h"
#include "Sheetwright/Editors/SegmentedPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

using namespace Sheetwright;
using RuvedovUzedoz::Color;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::PDFMetadata;

namespace {
QWidget* captionOf(QWidget* control)
{
    for (QWidget* up = control; up; up = up->parentWidget())
        if (auto* stack = qobject_cast<LabelledView*>(up))
            return stack->caption();
    return nullptr;
}
} // namespace

class PageRenderingViewTest : public EditorFixture {};

TEST_F(PageRenderingViewTest, ShowsTheDefaultAndWritesEachControlsField)
{
    PageRenderingView view(binding());
    auto* compressor = view.findChild<QCheckBox*>("enableCompressor");
    auto* picker = view.findChild<SegmentedPicker*>("imageQualityPicker");
    auto* slider = view.findChild<QSlider*>("compressionQualitySlider");
    ASSERT_TRUE(compressor && picker && slider);

    QStringList labels;
    QList<bool> checked;
    for (auto* segment : picker->segments()) {
        labels << segment->text();
        checked << segment->isChecked();
    }
    EXPECT_EQ(labels, QStringList({QString::fromUtf8("\U0001F954"), "Low", "Medium", "High"}));
    EXPECT_EQ(checked, QList<bool>({false, false, true, false}));
    EXPECT_TRUE(compressor->isChecked());
    EXPECT_EQ(slider->value(), 10);

    // The sizes are what saved layouts hold: they must never change.
    for (int segment : {0, 1, 3}) {
        QTest::mouseClick(picker->segments()[segment], Qt::LeftButton);
        EXPECT_EQ(model.get().imageSizeMax, 512 << segment);
    }
    EXPECT_EQ(changes->count(), 3);

    for (int position : {0, 3, 10}) {
        slider->setValue(position); // as a drag or a key press would
        EXPECT_EQ(model.get().imageQuality, position / 10.0);
    }
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) { l.imageSizeMax = 4096; }));

    // Values from a file that match no step are shown as near as possible and never written back.
    const int before = changes->count();
    model.modify([](auto& l) {
        l.imageSizeMax = 3000;
        l.imageQuality = 0.75;
    });
    for (auto* segment : picker->segments())
        EXPECT_FALSE(segment->isChecked());
    EXPECT_EQ(slider->value(), 8);
    EXPECT_EQ(changes->count(), before + 1);
    EXPECT_EQ(model.get().imageQuality, 0.75);
}

TEST_F(PageRenderingViewTest, CompressorSwitchDisablesQualityControlsButKeepsTheirValues)
{
    PageRenderingView view(binding());
    auto* compressor = view.findChild<QCheckBox*>("enableCompressor");
    auto* picker = view.findChild<SegmentedPicker*>("imageQualityPicker");
    auto* slider = view.findChild<QSlider*>("compressionQualitySlider");
    view.show();
    QTest::mouseClick(compressor, Qt::LeftButton);
    EXPECT_FALSE(model.get().enableQuartz);
    EXPECT_FALSE(picker->isEnabled());
    EXPECT_TRUE(captionOf(picker)->isEnabled()); // the picker alone
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(captionOf(slider)->isEnabled()); // the slider with its caption and end labels
    EXPECT_FALSE(view.findChild<QLabel*>("maximumLabel")->isEnabled());
    EXPECT_TRUE(compressor->isEnabled());
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) { l.enableQuartz = false; }));
    QTest::mouseClick(compressor, Qt::LeftButton);
    EXPECT_TRUE(picker->isEnabled());
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(model.get(), PageLayout::defaultLayout());
}

class PageStyleViewTest : public EditorFixture {
protected:
    PageStyleView::FontFamilies families = [] { return QStringList{"DejaVu Sans", "Futura", "Noto Serif"}; };
};

TEST_F(PageStyleViewTest, ShowsTheDefaultLayout)
{
    PageStyleView view(binding(), families);
    auto* fontName = view.findChild<QComboBox*>("fontNamePicker");
    auto* fontSize = view.findChild<QComboBox*>("fontSizePicker");
    ASSERT_TRUE(fontName && fontSize);
    EXPECT_EQ(fontName->currentText(), "Futura");
    EXPECT_EQ(fontSize->currentText(), "12 pt");
    EXPECT_TRUE(view.findChild<QCheckBox*>("showLabels")->isChecked());
    EXPECT_TRUE(view.findChild<QCheckBox*>("drawBackground")->isChecked());
    EXPECT_FALSE(view.findChild<QCheckBox*>("drawBoundingBoxes")->isChecked());
    EXPECT_TRUE(view.findChild<QCheckBox*>("drawImages")->isChecked());
    EXPECT_TRUE(view.findChild<ColorWell*>("fontColorWell")->isEnabled());
    EXPECT_EQ(captionOf(view.findChild<ColorWell*>("fontColorWell"))->property("text").toString(), "Color");
    EXPECT_EQ(captionOf(fontSize)->parentWidget()->width(), 100);

    // Each family is offered in its own face.
    EXPECT_EQ(fontName->itemData(2, Qt::FontRole).value<QFont>().family(), "Noto Serif");
}

TEST_F(PageStyleViewTest, PickersWriteOneFieldAndKeepUnknownValues)
{
    PageStyleView view(binding(), families);
    auto* fontName = view.findChild<QComboBox*>("fontNamePicker");
    auto* fontSize = view.findChild<QComboBox*>("fontSizePicker");
    emit fontName->activated(2);
    emit fontSize->activated(fontSize->findText("24 pt"));
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) {
                  l.fontName = "Noto Serif";
                  l.fontSize = 24;
              }));
    EXPECT_EQ(changes->count(), 2);

    model.modify([](auto& l) {
        l.fontName = "Helvetica Neue";
        l.fontSize = 13.5;
    });
    EXPECT_EQ(fontName->currentIndex(), -1);
    EXPECT_EQ(fontSize->currentIndex(), -1);
    EXPECT_EQ(model.get().fontName, "Helvetica Neue");
    EXPECT_EQ(changes->count(), 3);
}

TEST_F(PageStyleViewTest, SwitchesDisableTheirControlsAndKeepTheirValues)
{
    PageStyleView view(binding(), families);
    view.show();
    view.findChild<QCheckBox*>("showLabels")->click();
    for (const char* name : {"fontNamePicker", "fontSizePicker", "fontColorWell"}) {
        auto* control = view.findChild<QWidget*>(name);
        EXPECT_FALSE(control->isEnabled()) << name;
        EXPECT_FALSE(captionOf(control)->isEnabled()) << name;
    }
    view.findChild<QCheckBox*>("drawBackground")->click();
    auto* background = view.findChild<ColorWell*>("backgroundColorWell");
    EXPECT_FALSE(background->isEnabled());
    EXPECT_FALSE(captionOf(background)->isEnabled());
    EXPECT_TRUE(view.findChild<QCheckBox*>("drawBoundingBoxes")->isEnabled());
    EXPECT_TRUE(view.findChild<QCheckBox*>("drawImages")->isEnabled());
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) {
                  l.showsLabel = false;
                  l.drawsBackground = false;
              }));
    view.findChild<QCheckBox*>("drawImages")->click();
    EXPECT_FALSE(model.get().drawsImages);
}

TEST_F(PageStyleViewTest, ColourWellsStoreOpaqueColoursAndIgnoreCancel)
{
    PageStyleView view(binding(), families);
    auto* font = view.findChild<ColorWell*>("fontColorWell");
    auto* background = view.findChild<ColorWell*>("backgroundColorWell");
    QColor offered;
    font->setChooser([&](const QColor& current, QWidget*, const QString&) {
        offered = current;
        return QColor(255, 0, 0, 128);
    });
    font->click();
    EXPECT_EQ(offered, QColor(Qt::black));
    EXPECT_EQ(model.get().fontColor, Color::rgb(1, 0, 0, 1));
    EXPECT_EQ(model.get().backgroundColor, Color::white());

    background->setChooser([](const QColor&, QWidget*, const QString&) { return QColor(); });
    background->click();
    EXPECT_EQ(changes->count(), 1);
    background->setChooser([](const QColor&, QWidget*, const QString&) { return QColor(0, 0, 255); });
    background->click();
    EXPECT_EQ(model.get().backgroundColor, Color::rgb(0, 0, 1, 1));
    EXPECT_EQ(model.get().fontColor, Color::rgb(1, 0, 0, 1));
}

TEST(PDFMetadataView, TypingGoesStraightIntoItsOwnFieldOnly)
{
    PDFMetadata start;
    start.keywords = QStringList{"k"};
    start.header = "h";
    start.footer = "f";
    KestrelExtensions::Observable<PDFMetadata> model(start);
    QSignalSpy changes(&model, &KestrelExtensions::ObservableBase::changed);
    PDFMetadataView view(KestrelExtensions::Binding<PDFMetadata>::of(model));
    auto* title = view.findChild<QLineEdit*>("titleField");
    auto* author = view.findChild<QLineEdit*>("authorField");
    ASSERT_TRUE(title && author && view.findChild<QLineEdit*>("subjectField"));
    EXPECT_EQ(title->accessibleName(), "Title");

    QTest::keyClicks(title, "Hello");
    EXPECT_EQ(model.get().title, "Hello");
    EXPECT_EQ(changes.count(), 5);
    EXPECT_EQ(title->cursorPosition(), 5);
    QTest::keyClicks(author, "Ann");
    EXPECT_EQ(model.get().author, "Ann");
    title->selectAll();
    QTest::keyClick(title, Qt::Key_Backspace);
    EXPECT_EQ(model.get().title, QString(""));
    EXPECT_FALSE(model.get().title.isNull());
    EXPECT_EQ(model.get().keywords, QStringList{"k"});
    EXPECT_EQ(model.get().header, "h");
    EXPECT_EQ(model.get().footer, "f");

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
        // Two neighbouring cells of the checkerboard, inside the swatch.
        return std::pair{image.pixelColor(7, 7), image.pixelColor(11, 7)};
    };
    const auto [lightCell, darkCell] = cells();
    EXPECT_NE(lightCell, darkCell) << "an enabled translucent colour shows the checkerboard";
    well.setEnabled(false);
    const auto [first, second] = cells();
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.alpha(), 255);
}
