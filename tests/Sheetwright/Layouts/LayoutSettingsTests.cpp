#include "EditorFixture.h"
#include "QtPrinting.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"
#include "Sheetwright/Editors/LayoutSettings.h"
#include "Sheetwright/Editors/SegmentedPicker.h"
#include "Sheetwright/Layouts/LayoutManager.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QTest>
#include <QWheelEvent>

using namespace Sheetwright;
using RuvedovUzedoz::Color;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::PDFMetadata;

class LayoutSettingsTest : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        const QString test =
            QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
        manager = std::make_unique<LayoutManager>(TestSupport::temporaryHome() + "/" + test + "/Layouts");
    }

    std::unique_ptr<LayoutSettings> makeColumn()
    {
        return std::make_unique<LayoutSettings>(
            binding(), KestrelExtensions::Binding<PDFMetadata>::of(metadata), &progress, manager.get(),
            [] {
                return QStringList{"DejaVu Sans", "Futura"};
            },
            defaults.get());
    }

    void press(LayoutSettings& column, const char* button)
    {
        auto* found = column.findChild<QAbstractButton*>(button);
        ASSERT_TRUE(found) << button;
        found->click();
    }

    KestrelExtensions::Observable<PDFMetadata> metadata;
    RuvedovUzedoz::PDFProgress progress;
    std::unique_ptr<LayoutManager> manager;
};

TEST_F(LayoutSettingsTest, FourSectionsWithDividersUnderTheFirstThree)
{
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
    auto* rendering = column->findChild<QWidget*>("enableCompressor");
    EXPECT_LT(dividers.last()->mapTo(column->form(), QPoint()).y(),
              rendering->mapTo(column->form(), QPoint()).y());

    // Every control can be found and read out.
    for (auto* widget : column->form()->findChildren<QWidget*>())
        if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
            qobject_cast<QLineEdit*>(widget) || qobject_cast<QSlider*>(widget)) {
            EXPECT_FALSE(widget->objectName().isEmpty()) << widget->metaObject()->className();
            EXPECT_FALSE(widget->accessibleName().isEmpty() &&
                         (!qobject_cast<QAbstractButton*>(widget) ||
                          qobject_cast<QAbstractButton*>(widget)->text().isEmpty()))
                << widget->objectName().toStdString();
        }
}

TEST_F(LayoutSettingsTest, RenderingDisablesEveryControlUntilItEnds)
{
    model.modify([](auto& l) { l.enableQuartz = false; });
    auto column = makeColumn();
    column->show();
    const auto controls = column->form()->findChildren<QWidget*>();
    progress.setRendering(true);
    for (auto* widget : controls)
        if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
            qobject_cast<QLineEdit*>(widget) || qobject_cast<QSlider*>(widget)) {
            EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
        }
    progress.setRendering(false);
    EXPECT_TRUE(column->findChild<QWidget*>("rotateButton")->isEnabled());
    EXPECT_TRUE(column->findChild<QWidget*>("enableCompressor")->isEnabled());
    EXPECT_TRUE(column->findChild<QWidget*>("titleField")->isEnabled());
    // Controls that their own switch turned off stay off.
    EXPECT_FALSE(column->findChild<QWidget*>("imageQualityPicker")->isEnabled());
    EXPECT_FALSE(column->findChild<QWidget*>("compressionQualitySlider")->isEnabled());
    EXPECT_EQ(changes->count(), 1);

    progress.setRendering(true);
    auto late = makeColumn(); // a column made during a render starts disabled
    EXPECT_FALSE(late->form()->isEnabled());
}

TEST_F(LayoutSettingsTest, RotateSwapsTheSidesWithOneWrite)
{
    auto column = makeColumn();
    press(*column, "rotateButton");
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) {
                  l.width = 612;
                  l.height = 792;
              }));
    EXPECT_EQ(changes->count(), 1);
    press(*column, "rotateButton");
    EXPECT_EQ(model.get(), PageLayout::defaultLayout());

    model.modify([](auto& l) { l.width = l.height = 600; });
    const int before = changes->count();
    press(*column, "rotateButton");
    EXPECT_EQ(changes->count(), before);
}

TEST_F(LayoutSettingsTest, LightAndDarkChangeOnlyTheColours)
{
    auto column = makeColumn();
    press(*column, "lightButton"); // already black on white
    EXPECT_EQ(changes->count(), 0);
    press(*column, "darkButton");
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) {
                  l.fontColor = Color::gray(0.82, 1.0);
                  l.backgroundColor = Color::gray(0.18, 1.0);
              }));
    EXPECT_EQ(changes->count(), 1);
    press(*column, "lightButton");
    EXPECT_EQ(model.get(), PageLayout::defaultLayout());
    EXPECT_EQ(changes->count(), 2);
}

TEST_F(LayoutSettingsTest, ACustomDarkTakesThePresetsPlace)
{
    RuvedovUzedoz::SavedPageLayout custom;
    custom.rows = 3;
    custom.columns = 4;
    manager->save(custom, LayoutManager::TitleKey::dark);
    auto column = makeColumn();
    press(*column, "darkButton");
    EXPECT_EQ(model.get(), edited(PageLayout::defaultLayout(), [](auto& l) {
                  l.rows = 3;
                  l.columns = 4;
              }));
    column->applyLayout("No Such Layout");
    EXPECT_EQ(changes->count(), 1);
}

TEST_F(LayoutSettingsTest, ASqueezedColumnNeverCutsItsControlsOff)
{
    // The window's splitter lets the user drag the column narrower; it must stop at the form's width.
    QSplitter splitter;
    auto* neighbour = new QWidget(&splitter);
    auto column = makeColumn();
    auto* settings = column.release();
    splitter.addWidget(settings);
    splitter.setChildrenCollapsible(false);
    splitter.resize(900, 400);
    splitter.show();
    splitter.setSizes({900, 1});
    QCoreApplication::processEvents();

    EXPECT_GT(neighbour->width(), 0);
    EXPECT_LE(settings->form()->width(), settings->viewport()->width());
    auto* height = settings->findChild<QWidget*>("heightField");
    ASSERT_TRUE(height);
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
    const PageLayout before = model.get();

    auto turn = [](QWidget* control) {
        const QPoint at = control->rect().center();
        // One notch towards the user: down the column, or the next value of a control.
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(control, &wheel);
    };
    for (const char* name : {"rowsPicker", "fontNamePicker", "compressionQualitySlider"}) {
        auto* control = column->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_TRUE(control) << name;
        EXPECT_NE(control->focusPolicy(), Qt::WheelFocus) << name;
        scroll->setValue(0);
        column->setFocus();
        turn(control);
        EXPECT_EQ(model.get(), before) << name << " changed without focus";
        EXPECT_GT(scroll->value(), 0) << name << " did not scroll the column";
    }

    auto* rows = column->findChild<QWidget*>(QStringLiteral("rowsPicker"));
    rows->setFocus();
    ASSERT_TRUE(rows->hasFocus());
    turn(rows);
    EXPECT_NE(model.get().rows, before.rows) << "a focused control takes the wheel";
}
