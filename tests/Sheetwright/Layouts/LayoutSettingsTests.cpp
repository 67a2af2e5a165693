#include "EditorFixture.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"
#include "Sheetwright/Editors/LayoutSettings.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QWheelEvent>

using namespace Sheetwright;
using RuvedovUzedoz::Color;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::PDFMetadata;

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
    const auto dividers = column->form()->findChildren<QFrame*>("sectionDivider");
    ASSERT_EQ(dividers.size(), 3);
    column->resize(320, 1200);
    column->show();
    EXPECT_LT(dividers.last()->mapTo(column->form(), QPoint()).y(),
              column->findChild<QWidget*>("enableCompressor")->mapTo(column->form(), QPoint()).y());
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
    ASSERT_TRUE(rows->hasFocus());
    turn(rows);
    EXPECT_NE(model.get().rows, PageLayout::defaultLayout().rows) << "a focused control takes the wheel";
}
