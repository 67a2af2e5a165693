#include "Preferences/Window/UserInteractionPausableWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
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

// Pausing drops the key presses, not the negotiation before them: the focused field still claims the
// keys it handles (so the window's shortcut does not take them), and the other shortcuts act as ever.
TEST_F(PausableFixture, LeavesShortcutNegotiationAloneWhilePaused)
{
    QShortcut save(QKeySequence(Qt::CTRL | Qt::Key_S), &window);
    QShortcut selectAll(QKeySequence(Qt::CTRL | Qt::Key_A), &window);
    QSignalSpy saved(&save, &QShortcut::activated);
    QSignalSpy selected(&selectAll, &QShortcut::activated);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setText("abc");
    field->setFocus();
    window.setUserInteractionEnabled(false);
    for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_A}) {
        QKeyEvent negotiation(QEvent::ShortcutOverride, key, Qt::NoModifier);
        EXPECT_FALSE(UserInteractionPausableWindow::isPausedEvent(&negotiation));
        QApplication::sendEvent(recorder, &negotiation);
    }
    EXPECT_EQ(recorder->seen.count(QEvent::ShortcutOverride), 3);

    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selected.count(), 0) << "the field's own key stays the field's";
    EXPECT_TRUE(field->selectedText().isEmpty()) << "and its key press is dropped";
    QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(saved.count(), 1);
}

} // namespace
