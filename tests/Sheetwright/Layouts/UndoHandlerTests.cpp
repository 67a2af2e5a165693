#include "Sheetwright/Undo/UndoHandler.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

using namespace Sheetwright;
using KestrelExtensions::Binding;
using KestrelExtensions::Observable;

namespace {
// A window's side of undo: every change of the model is reported to the handler.
struct Owner {
    Observable<int> model{1};
    QUndoStack stack;
    std::unique_ptr<UndoHandler<int>> handler = std::make_unique<UndoHandler<int>>();
    QObject context;

    Owner()
    {
        model.onChange(&context, [this](int before, int after) {
            if (handler)
                handler->registerUndo(before, after);
        });
    }
    void bind()
    {
        handler->setBinding(Binding<int>::of(model));
        handler->setUndoManager(&stack);
    }
};
} // namespace

TEST(UndoHandler, UndoAndRedoWalkTheChangesAndANewEditDropsTheRedoSteps)
{
    Owner owner;
    owner.model.set(2);
    EXPECT_EQ(owner.stack.count(), 0) << "nothing is registered before the handler is bound";
    owner.bind();
    QSignalSpy changes(&owner.model, &KestrelExtensions::ObservableBase::changed);
    for (int v : {3, 4, 5})
        owner.model.set(v);
    ASSERT_EQ(owner.stack.count(), 3);
    for (int expected : {4, 3, 2}) {
        owner.stack.undo();
        EXPECT_EQ(owner.model.get(), expected);
    }
    EXPECT_EQ(owner.stack.count(), 3) << "undoing registers no new steps";
    owner.stack.redo();
    EXPECT_EQ(owner.model.get(), 3);
    EXPECT_EQ(changes.count(), 7) << "each write once";
    owner.model.set(9);
    EXPECT_EQ(owner.stack.count(), 2);
    EXPECT_FALSE(owner.stack.canRedo());
    owner.stack.undo();
    EXPECT_EQ(owner.model.get(), 3);
}

TEST(UndoHandler, AnUndoThatChangesNothingDoesNotSwallowTheNextEdit)
{
    Owner owner;
    owner.bind();
    owner.model.set(2);
    owner.stack.undo(); // back to 1; redo would restore 2
    // The value changes outside the handler to what redo will write (the window unbound, say).
    owner.handler->setUndoManager(nullptr);
    owner.model.set(2);
    owner.handler->setUndoManager(&owner.stack);
    owner.stack.redo(); // writes 2 over 2: no change is reported
    EXPECT_FALSE(owner.handler->ignoreNextRegister());
    owner.model.set(5);
    EXPECT_EQ(owner.stack.index(), 2);
    owner.stack.undo();
    EXPECT_EQ(owner.model.get(), 2);
}

TEST(UndoHandler, SurvivesItsStackOrItselfGoingFirst)
{
    Owner owner;
    owner.bind();
    owner.model.set(3);
    auto* stack = new QUndoStack;
    owner.handler->setUndoManager(stack);
    delete stack;
    owner.model.set(4); // nothing to register into, nothing to crash
    owner.handler.reset();
    owner.stack.undo(); // the step outlives its handler and does nothing
    EXPECT_EQ(owner.model.get(), 4);
}
