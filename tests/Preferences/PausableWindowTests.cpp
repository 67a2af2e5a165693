#include "Preferences/Window/UserInteractionPausableWindow.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using Preferences::UserInteractionPausableWindow;

namespace {

class EventRecorder : public QWidget {
public:
    QList<QEvent::Type> seen;
    QList<int> keys;

protected:
    bool event(QEvent* event) override
    {
        seen.append(event->type());
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(event)->key());
        return QWidget::event(event);
    }
};

struct PausableFixture : ::testing::Test {
    UserInteractionPausableWindow window;
    QPushButton* button = new QPushButton("Press");
    QLineEdit* field = new QLineEdit;
    EventRecorder* recorder = new EventRecorder;

    void SetUp() override
    {
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        layout->addWidget(button);
        layout->addWidget(field);
        layout->addWidget(recorder);
        recorder->setMinimumSize(50, 50);
        recorder->setMouseTracking(true);
        window.setCentralWidget(central);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST_F(PausableFixture, DropsClicksKeysAndDragsWhilePausedInThatWindowOnly)
{
    QSignalSpy clicked(button, &QPushButton::clicked);
    QPushButton elsewhere("Elsewhere");
    elsewhere.show();
    QSignalSpy clickedElsewhere(&elsewhere, &QPushButton::clicked);
    window.setUserInteractionEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(&elsewhere, Qt::LeftButton);
    QTest::keyClicks(field, "typed");
    QTest::mouseMove(recorder, QPoint(10, 10));
    QTest::keyPress(recorder, Qt::Key_Shift);
    QTest::keyPress(recorder, Qt::Key_A);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(clickedElsewhere.count(), 1);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(recorder->seen.contains(QEvent::MouseMove)) << "plain movement still arrives";
    EXPECT_EQ(recorder->keys, QList<int>({Qt::Key_Shift})) << "only the modifier key arrives";

    QMouseEvent drag(QEvent::MouseMove, QPointF(12, 12), recorder->mapToGlobal(QPointF(12, 12)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(UserInteractionPausableWindow::isPausedEvent(&drag));

    window.setUserInteractionEnabled(true);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClicks(field, "typed");
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(field->text(), "typed");
    EXPECT_EQ(window.createPopupMenu(), nullptr); // no toolbar toggle
}

} // namespace
