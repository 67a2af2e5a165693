#include "KestrelExtensions/Widgets/Layout/ControlAlignedForm.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace KestrelExtensions;

TEST(ControlAlignedForm, ControlsStartOnOneLineWhateverTheLabelWidth)
{
    ControlAlignedForm form;
    auto* shortLabel = new QLabel("A");
    auto* longLabel = new QLabel("A much longer label");
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    form.addLabelledRow(first, shortLabel);
    form.addLabelledRow(second, longLabel);
    form.resize(600, 200);
    form.show();
    form.layout()->activate();

    EXPECT_EQ(form.rowCount(), 2);
    EXPECT_EQ(first->x(), second->x());
    EXPECT_EQ(first->x(), form.controlAlignment());
    EXPECT_GT(shortLabel->x(), longLabel->x());
    // Labels end against the controls' line, on the left of it.
    EXPECT_LE(shortLabel->geometry().right(), first->x());
    EXPECT_EQ(shortLabel->geometry().right(), longLabel->geometry().right());
    EXPECT_LT(first->x(), 300) << "extra width goes right of the controls, not between label and control";
}

TEST(ControlAlignedForm, VerticalAlignmentPlacesTheLabelOnItsRow)
{
    ControlAlignedForm form;
    auto* topLabel = new QLabel("Notes");
    auto* notes = new QPlainTextEdit;
    notes->setFixedHeight(120);
    auto* bottomLabel = new QLabel("Footer");
    auto* footer = new QPlainTextEdit;
    footer->setFixedHeight(120);
    form.addLabelledRow(notes, topLabel, Qt::AlignTop);
    form.addLabelledRow(footer, bottomLabel, Qt::AlignBottom);
    form.resize(400, 300);
    form.show();
    form.layout()->activate();

    EXPECT_EQ(topLabel->y(), notes->y());
    EXPECT_EQ(bottomLabel->geometry().bottom(), footer->geometry().bottom());
}
