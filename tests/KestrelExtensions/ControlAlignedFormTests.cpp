#include "KestrelExtensions/Widgets/Layout/ControlAlignedForm.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace KestrelExtensions;

TEST(ControlAlignedForm, ControlsStartOnOneLineWhateverTheLabelWidthAndLabelsSitOnTheirRow)
{
    ControlAlignedForm form;
    auto* shortLabel = new QLabel("A");
    auto* longLabel = new QLabel("A much longer label");
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    auto* topLabel = new QLabel("Notes");
    auto* notes = new QPlainTextEdit;
    auto* bottomLabel = new QLabel("Footer");
    auto* footer = new QPlainTextEdit;
    notes->setFixedHeight(120);
    footer->setFixedHeight(120);
    form.addLabelledRow(first, shortLabel);
    form.addLabelledRow(second, longLabel);
    form.addLabelledRow(notes, topLabel, Qt::AlignTop);
    form.addLabelledRow(footer, bottomLabel, Qt::AlignBottom);
    form.resize(600, 400);
    form.show();
    form.layout()->activate();

    EXPECT_EQ(form.layout()->contentsMargins(), QMargins()) << "flush with whatever holds the form";
    EXPECT_EQ(first->x(), second->x());
    EXPECT_EQ(first->x(), form.controlAlignment());
    EXPECT_GT(shortLabel->x(), longLabel->x());
    // Labels end against the controls' line, on the left of it.
    EXPECT_LE(shortLabel->geometry().right(), first->x());
    EXPECT_EQ(shortLabel->geometry().right(), longLabel->geometry().right());
    EXPECT_LT(first->x(), 300) << "extra width goes right of the controls, not between label and control";
    EXPECT_EQ(topLabel->y(), notes->y());
    EXPECT_EQ(bottomLabel->geometry().bottom(), footer->geometry().bottom());
}
