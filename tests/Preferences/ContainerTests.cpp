#include "Preferences/Form/Container.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QSignalSpy>
#include <gtest/gtest.h>

using Preferences::Container;
using Preferences::Section;

namespace {

QWidget* fixedWidget(int width, int height = 20)
{
    auto* widget = new QWidget;
    widget->setFixedSize(width, height);
    return widget;
}

Section fixedSection(int labelWidth, bool bottomDivider)
{
    return Section(
        bottomDivider, Qt::AlignTop, [labelWidth] { return fixedWidget(labelWidth); },
        [] { return fixedWidget(100); });
}

void layOut(QWidget& widget)
{
    widget.show();
    widget.layout()->activate();
}

TEST(Container, WithoutSectionsIsStillFramedAndPadded)
{
    Container container(400, 0, [] { return QList<Section>{}; });
    layOut(container);
    EXPECT_EQ(container.width(), 400 + 60);
    EXPECT_EQ(container.layout()->contentsMargins(), QMargins(30, 20, 30, 20));
}

TEST(Container, AlignsLabelsOnTheirTrailingEdges)
{
    Container container(400, 0, [] {
        return QList<Section>{fixedSection(60, false), fixedSection(90, false)};
    });
    layOut(container);
    const QRect narrow = container.sections()[0].label()->geometry();
    const QRect wide = container.sections()[1].label()->geometry();
    EXPECT_EQ(narrow.right(), wide.right());
    EXPECT_EQ(narrow.left(), wide.left() + 30);
    EXPECT_EQ(container.maximumLabelWidth(), 90);
    const QRect content = container.sections()[0].content()->geometry();
    EXPECT_GT(content.left(), wide.right()) << "controls follow the label column";

    // A label that grows later moves the column, and says so once.
    QSignalSpy widths(&container, &Container::maximumLabelWidthChanged);
    container.sections()[0].label()->setFixedSize(120, 20);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(container.maximumLabelWidth(), 120);
    EXPECT_EQ(widths.count(), 1);
}

TEST(Container, DrawsDividersOnlyBetweenRowsThatAskForThem)
{
    Container container(400, 120, [] {
        return QList<Section>{fixedSection(60, true), fixedSection(90, false), fixedSection(70, true)};
    });
    layOut(container);
    ASSERT_EQ(container.dividers().size(), 1);
    const QFrame* divider = container.dividers().first();
    EXPECT_EQ(divider->size(), QSize(400, 20));
    EXPECT_EQ(divider->frameShape(), QFrame::HLine);
    const int guide = container.sections()[1].label()->geometry().right() + 1;
    EXPECT_EQ(guide - divider->geometry().left(), 120) << "the minimum label width places the divider";
    EXPECT_LT(divider->geometry().top(), container.sections()[1].label()->geometry().top());
    EXPECT_GT(divider->geometry().top(), container.sections()[0].label()->geometry().bottom());
}

TEST(Container, TitleLabelsAreShownAsWritten)
{
    Section section(QStringLiteral("Check <b>now</b>"), false, Qt::AlignVCenter,
                    [] { return new QLabel("x"); });
    auto* label = qobject_cast<QLabel*>(section.label());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Check <b>now</b>");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

} // namespace
