#include "EditorFixture.h"
#include "RuvedovUzedoz/Sheet/PDFMetadata.h"
#include "Sheetwright/Editors/ColorWell.h"
#include "Sheetwright/Editors/LabelledView.h"
#include "Sheetwright/Editors/PDFMetadataView.h"
#include "Sheetwright/Editors/PageRenderingView.h"
#include "Sheetwright/Editors/PageStyleView.h"
#include "Sheetwright/Editors/SegmentedPicker.h"
#include "Sheetwright/Icons/ThemeIcon.h"

#include <QLabel>
#include <QSlider>
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
    EXPECT_EQ(changes.count(), 6);
    EXPECT_EQ(model.get(), edited([](auto& l) { l.imageSizeMax = 4096; }));
    // Values from a file that match no step are shown as near as possible and never written back.
    model.modify([](auto& l) { l.imageSizeMax = 3000, l.imageQuality = 0.75; });
    for (auto* segment : picker->segments())
        EXPECT_FALSE(segment->isChecked());
    EXPECT_EQ(slider->value(), 8);
    EXPECT_EQ(changes.count(), 7);
    model.set(PageLayout::defaultLayout());
    auto* compressor = view.findChild<QCheckBox*>("enableCompressor");
    view.resize(400, view.sizeHint().height());
    view.show();
    EXPECT_EQ(slider->parentWidget()->width(), 400) << "the slider row spans the column";
    EXPECT_TRUE(compressor->isChecked());
    compressor->click();
    EXPECT_EQ(model.get(), edited([](auto& l) { l.enableQuartz = false; }));
    EXPECT_FALSE(picker->isEnabled());
    EXPECT_TRUE(captionOf(picker)->isEnabled()); // the picker alone
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(captionOf(slider)->isEnabled()); // the slider with its caption and end labels
    EXPECT_FALSE(view.findChild<QLabel*>("maximumLabel")->isEnabled());
    compressor->click();
    EXPECT_TRUE(picker->isEnabled());
    EXPECT_TRUE(slider->isEnabled());
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
    EXPECT_EQ(fontName->currentIndex(), -1);
    EXPECT_EQ(fontSize->currentIndex(), -1);
    EXPECT_EQ(changes.count(), 3);
}

TEST_F(PageStyleViewTest, EachSwitchShowsAndWritesItsFieldAndDisablesItsOwnControls)
{
    view.show();
    const std::tuple<const char*, bool PageLayout::*, std::vector<const char*>> rows[] = {
        {"showLabels", &PageLayout::showsLabel, {"fontNamePicker", "fontSizePicker", "fontColorWell"}},
        {"drawBackground", &PageLayout::drawsBackground, {"backgroundColorWell"}},
        {"drawBoundingBoxes", &PageLayout::drawsBoundingBox, {}},
        {"drawImages", &PageLayout::drawsImages, {}},
    };
    int above = -1; // one under the other, none hidden under another
    for (const char* name : {"showLabels", "fontNamePicker", "drawBackground", "backgroundColorWell",
                             "drawBoundingBoxes", "drawImages"}) {
        const QRect at(view.findChild<QWidget*>(name)->mapTo(&view, QPoint()),
                       view.findChild<QWidget*>(name)->size());
        EXPECT_GT(at.top(), std::exchange(above, at.bottom())) << name;
    }
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
    view.resize(400, view.sizeHint().height());
    view.show();
    auto* title = view.findChild<QLineEdit*>("titleField");
    EXPECT_EQ(title->width(), 400) << "each field spans the column";
    QTest::keyClicks(title, "Hello");
    EXPECT_EQ(changes.count(), 5);
    EXPECT_EQ(title->cursorPosition(), 5);
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
