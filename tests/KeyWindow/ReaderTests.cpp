#include "KeyWindow/Observation/WindowObserver.h"
#include "KeyWindow/Publishing/KeyWindowPublisher.h"
#include "KeyWindow/Publishing/KeyWindowReaders.h"
#include "TestKeys.h"

#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace KeyWindow;
using KestrelExtensions::Binding;
using KestrelExtensions::Observable;

namespace {

class KeyWindowReaders : public KeyWindowTest {
protected:
    struct Window {
        std::unique_ptr<QWidget> widget = std::make_unique<QWidget>();
        Channel* channel = new Channel(widget.get());
        WindowObserver* observer = observeWindow(widget.get());

        Window()
        {
            keyWindow(widget.get(), channel);
            observer->setWindow(widget.get());
        }
    };
};

TEST_F(KeyWindowReaders, TheObjectReaderFollowsTheKeyWindowAndPassesOnChangesOfWhatItHolds)
{
    KeyWindowObservableObject<Channel> commands;
    KeyWindowValue<NumberKey> number;
    EXPECT_EQ(&commands.wrappedValue(), &Channel::defaultValue());
    EXPECT_FALSE(number.wrappedValue());
    Window a;
    Window b;
    a.observer->setIsKeyWindow(true);
    EXPECT_EQ(&commands.wrappedValue(), a.channel);
    EXPECT_FALSE(number.wrappedValue()) << "a key window that published no number";
    keyWindow<NumberKey>(a.widget.get(), 9);
    EXPECT_EQ(number.wrappedValue(), 9);

    QSignalSpy refreshes(&commands, &KeyWindowReader::changed);
    a.channel->setTitle(QStringLiteral("Trip"));
    EXPECT_EQ(refreshes.size(), 1);
    a.channel->setObjectName(QStringLiteral("not a value"));
    b.channel->setTitle(QStringLiteral("other window"));
    EXPECT_EQ(refreshes.size(), 1) << "only the held object's own values count";
    const auto title = commands.projectedValue().binding(&Channel::title, &Channel::setTitle);
    EXPECT_EQ(title.get(), QStringLiteral("Trip"));
    title.set(QStringLiteral("Holiday"));
    EXPECT_EQ(a.channel->title(), QStringLiteral("Holiday"));
    EXPECT_EQ(refreshes.size(), 2);

    b.observer->setIsKeyWindow(true);
    a.observer->setIsKeyWindow(false);
    EXPECT_EQ(&commands.wrappedValue(), b.channel);
    EXPECT_EQ(refreshes.size(), 3);
    a.channel->setTitle(QStringLiteral("no longer held"));
    EXPECT_EQ(refreshes.size(), 3);
    b.channel->setTitle(QStringLiteral("held now"));
    EXPECT_EQ(refreshes.size(), 4);

    // Held until the next update only.
    commands.setWrappedValue(*a.channel);
    EXPECT_EQ(&commands.wrappedValue(), a.channel);
    commands.update();
    EXPECT_EQ(&commands.wrappedValue(), b.channel);

    b.observer->setIsKeyWindow(false);
    EXPECT_EQ(&commands.wrappedValue(), &Channel::defaultValue());
    a.observer->setIsKeyWindow(true);
    delete a.channel;
    EXPECT_EQ(&commands.wrappedValue(), &Channel::defaultValue())
        << "an object that went away is never handed out";
    // A projected binding keeps to its object, and reads nothing once that object is gone.
    EXPECT_EQ(title.get(), QString());
    title.set(QStringLiteral("dropped"));
    EXPECT_EQ(b.channel->title(), QStringLiteral("held now"));
}

TEST_F(KeyWindowReaders, BindingReadersWriteIntoTheKeyWindow)
{
    Window a;
    Observable<int> rows(2);
    Observable<std::optional<QString>> title(QStringLiteral("Trip"));
    KeyWindowValueBinding<RowsBindingKey, int> rowsReader;
    KeyWindowOptionalValueBinding<TitleBindingKey, QString> titleReader;

    // Nothing published yet: reads none, writes are dropped.
    a.observer->setIsKeyWindow(true);
    rowsReader.setWrappedValue(5);
    titleReader.setWrappedValue(QStringLiteral("x"));
    EXPECT_FALSE(rowsReader.wrappedValue());
    EXPECT_EQ(rows.get(), 2);
    EXPECT_EQ(title.get(), QStringLiteral("Trip"));

    keyWindow<RowsBindingKey>(a.widget.get(), Binding<int>::of(rows));
    keyWindow<TitleBindingKey>(a.widget.get(), Binding<std::optional<QString>>::of(title));
    EXPECT_EQ(rowsReader.wrappedValue(), 2);
    rowsReader.setWrappedValue(4);
    EXPECT_EQ(rows.get(), 4);
    rowsReader.setWrappedValue(std::nullopt);
    EXPECT_EQ(rows.get(), 4) << "none is not written through a plain binding";
    titleReader.setWrappedValue(std::nullopt);
    EXPECT_EQ(title.get(), std::nullopt) << "none is written through an optional binding";

    auto projected = rowsReader.projectedValue();
    projected.set(7);
    EXPECT_EQ(rows.get(), 7);
    EXPECT_EQ(projected.get(), 7);

    a.observer->setIsKeyWindow(false);
    rowsReader.setWrappedValue(1);
    EXPECT_EQ(rows.get(), 7);
    EXPECT_FALSE(projected.get());
}

// A view that keeps its own value and publishes a binding to it, as the settings column does.
class RowsView : public QWidget {
public:
    explicit RowsView(QWidget* parent) : QWidget(parent)
    {
        // A view inside it publishes too and goes with it, before this view's own publisher does.
        keyWindow<TextKey>(new QWidget(this), QStringLiteral("inner"));
        keyWindow<RowsBindingKey>(this, Binding<int>::of(rows));
    }
    Observable<int> rows{3};
};

TEST_F(KeyWindowReaders, ADeletedViewsBindingIsGoneAtOnce)
{
    Window a;
    a.observer->setIsKeyWindow(true);
    KeyWindowValueBinding<RowsBindingKey, int> reader;
    std::vector<std::optional<int>> readsOnChange;
    QObject::connect(&reader, &KeyWindowReader::changed,
                     [&] { readsOnChange.push_back(reader.wrappedValue()); });

    auto* view = new RowsView(a.widget.get());
    ASSERT_EQ(reader.wrappedValue(), 3);
    ASSERT_EQ(state().value<TextKey>(), QStringLiteral("inner"));
    readsOnChange.clear();
    bool heldWhileDying = true;
    QObject::connect(view, &QObject::destroyed,
                     [&] { heldWhileDying = state().value<TextKey>().has_value(); });
    delete view;
    EXPECT_FALSE(heldWhileDying) << "withdrawn before anyone else hears of the view's end";
    // The same turn of the event loop: nothing may read through the binding into the deleted view.
    EXPECT_FALSE(state().value<RowsBindingKey>());
    EXPECT_FALSE(state().value<TextKey>());
    EXPECT_EQ(reader.wrappedValue(), std::nullopt);
    EXPECT_EQ(readsOnChange, std::vector<std::optional<int>>{std::nullopt})
        << "readers told of the change read none";

    // A publisher deleted on its own, without its view, withdraws as well.
    auto* survivor = new QWidget(a.widget.get());
    keyWindow<NumberKey>(survivor, 4);
    ASSERT_EQ(state().value<NumberKey>(), 4);
    delete KeyWindowPublisher::of(survivor);
    EXPECT_FALSE(state().value<NumberKey>());
    // So does a view that published outside any observed window.
    auto* loose = new QWidget;
    keyWindow<NumberKey>(loose, 5);
    delete loose;
}

} // namespace
