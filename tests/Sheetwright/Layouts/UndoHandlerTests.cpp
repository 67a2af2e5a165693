#include "Sheetwright/Undo/UndoHandler.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

using namespace Sheetwright;
using KestrelExtensions::Binding;
using KestrelExtensions::Observable;

namespace {
// A window's side of undo: every change of the model is reported to the handler.
struct UndoHandlerTest : ::testing::Test {
    Observable<int> model{1};
    QUndoStack stack;
    std::unique_ptr<UndoHandler<int>> handler = std::make_unique<UndoHandler<int>>();
    QObject context;

    UndoHandlerTest()
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

TEST_F(UndoHandlerTest, UndoAndRedoWalkTheChangesWritingEachValueOnce)
{
    model.set(2);
    EXPECT_EQ(stack.count(), 0) << "nothing is registered before the handler is bound";
    bind();
    QSignalSpy changes(&model, &KestrelExtensions::ObservableBase::changed);
    for (int v : {3, 4, 5})
        model.set(v);
    for (int expected : {4, 3, 2}) {
        stack.undo();
        EXPECT_EQ(model.get(), expected);
    }
    EXPECT_EQ(stack.count(), 3) << "undoing registers no new steps";
    stack.redo();
    EXPECT_EQ(model.get(), 3);
    EXPECT_EQ(changes.count(), 7) << "each write once";
}

TEST_F(UndoHandlerTest, AnUndoThatChangesNothingDoesNotSwallowTheNextEdit)
{
    bind();
    model.set(2);
    stack.undo(); // back to 1; redo would restore 2
    // The value changes outside the handler to what redo will write (the window unbound, say).
    handler->setUndoManager(nullptr);
    model.set(2);
    handler->setUndoManager(&stack);
    stack.redo(); // writes 2 over 2: no change is reported
    EXPECT_FALSE(handler->ignoreNextRegister());
    model.set(5);
    EXPECT_EQ(stack.index(), 2);
    stack.undo();
    EXPECT_EQ(model.get(), 2);
}

TEST_F(UndoHandlerTest, SurvivesItsStackOrItselfGoingFirst)
{
    bind();
    model.set(3);
    auto* gone = new QUndoStack;
    handler->setUndoManager(gone);
    delete gone;
    model.set(4); // nothing to register into, nothing to crash
    handler.reset();
    stack.undo(); // the step outlives its handler and does nothing
    EXPECT_EQ(model.get(), 4);
}
