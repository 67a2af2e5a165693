#include "KeyWindow/Observation/WindowObserver.h"
#include "KeyWindow/Publishing/KeyWindowPublisher.h"
#include "TestKeys.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <array>
#include <gtest/gtest.h>
#include <memory>

using namespace KeyWindow;

namespace {

class KeyWindowObservation : public KeyWindowTest {
protected:
    // An observed window, shown without reaching the screen so that no platform activation or
    // deactivation arrives behind the test's back; `number` is published under NumberKey.
    static std::unique_ptr<QWidget> observedWindow(int number)
    {
        auto window = std::make_unique<QWidget>();
        window->setAttribute(Qt::WA_DontShowOnScreen);
        observeWindow(window.get());
        keyWindow<NumberKey>(window.get(), number);
        window->show();
        QCoreApplication::processEvents();
        return window;
    }
};

TEST_F(KeyWindowObservation, AnAlreadyActiveWindowPublishesWhenItIsFound)
{
    QWidget window;
    auto* inner = new QWidget(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_FALSE(isKeyWindow(inner)) << "views outside observed content are never key";
    EXPECT_FALSE(isKeyWindow(nullptr));

    observeWindow(&window);
    keyWindow<NumberKey>(inner, 5);
    EXPECT_FALSE(isKeyWindow(inner)) << "the window is looked up on the next turn of the event loop";
    QCoreApplication::processEvents();
    EXPECT_TRUE(isKeyWindow(inner));
    EXPECT_EQ(state().window(), &window);
    EXPECT_EQ(state().value<NumberKey>(), 5);
}

TEST_F(KeyWindowObservation, EitherOrderOfResignAndBecomeEndsOnTheNewKeyWindow)
{
    for (const bool resignFirst : {true, false}) {
        SCOPED_TRACE(resignFirst ? "resign first" : "become first");
        auto a = observedWindow(1);
        auto b = observedWindow(2);
        WindowObserver* observerA = windowObserver(a.get());
        WindowObserver* observerB = windowObserver(b.get());
        observerA->setIsKeyWindow(true);
        keyWindow<NumberKey>(b.get(), 20);
        EXPECT_EQ(state().window(), a.get());
        EXPECT_EQ(state().value<NumberKey>(), 1) << "only the key window's values reach the shared state";
        for (WindowObserver* observer :
             resignFirst ? std::array{observerA, observerB} : std::array{observerB, observerA})
            observer->setIsKeyWindow(observer == observerB);
        EXPECT_EQ(state().window(), b.get());
        EXPECT_EQ(state().value<NumberKey>(), 20);
    }
}

TEST_F(KeyWindowObservation, AKeyWindowThatClosesOrLosesItsObserverClearsTheStateAndOthersLeaveIt)
{
    auto a = observedWindow(1);
    auto b = observedWindow(2);
    auto c = observedWindow(3);
    windowObserver(a.get())->setIsKeyWindow(true);
    b->close();
    c.reset();
    EXPECT_EQ(state().window(), a.get());
    EXPECT_EQ(state().value<NumberKey>(), 1);
    // No deactivation comes with this close: the hide alone must clear the state.
    a->close();
    EXPECT_EQ(state().window(), nullptr);
    EXPECT_TRUE(state().values().isEmpty());

    QWidget window;
    window.setAttribute(Qt::WA_DontShowOnScreen);
    auto* content = new QWidget(&window);
    WindowObserver* observer = observeWindow(content);
    window.show();
    QCoreApplication::processEvents();
    // Set directly, so nothing but the observer itself can clear them.
    KeyWindowValuesPreference values;
    values.setEntry(AnyKeyWindowValueKey::of<NumberKey>(), wrapValue<NumberKey>(8));
    observer->setValues(values);
    observer->setIsKeyWindow(true);
    EXPECT_EQ(state().value<NumberKey>(), 8);
    delete content;
    EXPECT_EQ(state().window(), nullptr);
    EXPECT_TRUE(state().values().isEmpty());
}

TEST_F(KeyWindowObservation, AssigningTheSameWindowTwiceKeepsThreeRegistrations)
{
    auto window = observedWindow(1);
    WindowObserver* observer = windowObserver(window.get());
    observer->setWindow(window.get());
    observer->setWindow(window.get());
    EXPECT_EQ(observer->registrationCount(), 3);

    observer->setIsKeyWindow(false);
    QSignalSpy changes(&state(), &KeyWindowState::valuesChanged);
    QSignalSpy keyChanges(observer, &WindowObserver::isKeyWindowChanged);
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(window.get(), &activation);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(keyChanges.count(), 1);
    EXPECT_TRUE(observer->isKeyWindow());
    QEvent deactivation(QEvent::WindowDeactivate);
    QApplication::sendEvent(window.get(), &deactivation);
    EXPECT_FALSE(observer->isKeyWindow()) << "losing activation resigns even when no other window takes it";

    observer->setWindow(nullptr);
    EXPECT_EQ(observer->registrationCount(), 0);
    EXPECT_FALSE(observer->isKeyWindow());
}

TEST_F(KeyWindowObservation, GatheringValuesInOneWindow)
{
    QWidget window;
    auto* parent = new QWidget(&window);
    auto* first = new QWidget(parent);
    auto* second = new QWidget(parent);
    keyWindow<NumberKey>(first, 1);
    keyWindow<NumberKey>(second, 2);
    WindowObserver* observer = observeWindow(&window);
    EXPECT_EQ(observer->values().value<NumberKey>(), 2)
        << "what was published before counts; the later sibling wins";
    keyWindow<NumberKey>(parent, 3);
    EXPECT_EQ(observer->values().value<NumberKey>(), 3) << "a view's own value beats its children's";
    keyWindow<NumberKey>(parent, std::optional<int>());
    EXPECT_EQ(observer->values().value<NumberKey>(), 2) << "publishing none keeps what is inside";
    keyWindow<TextKey>(first, QStringLiteral("a"));
    EXPECT_EQ(observer->values().value<TextKey>(), QStringLiteral("a"));
    EXPECT_EQ(observer->values().value<NumberKey>(), 2);
}

TEST_F(KeyWindowObservation, RepublishingCountsAsAChangeOnlyForValuesWithoutEquality)
{
    auto window = observedWindow(1);
    windowObserver(window.get())->setIsKeyWindow(true);
    QSignalSpy changes(&state(), &KeyWindowState::valuesChanged);

    keyWindow<NumberKey>(window.get(), 1);
    EXPECT_EQ(changes.count(), 0);
    keyWindow<NumberKey>(window.get(), 4);
    EXPECT_EQ(changes.count(), 1);

    Channel channel;
    keyWindow(window.get(), &channel);
    keyWindow(window.get(), &channel);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(state().value<Channel>(), &channel);
}

} // namespace
