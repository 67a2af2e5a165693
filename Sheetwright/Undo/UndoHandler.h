#pragma once

#include "KestrelExtensions/Observation/Binding.h"

#include <QObject>
#include <QPointer>
#include <QUndoCommand>
#include <QUndoStack>

namespace Sheetwright {

template <typename T> class UndoHandler;

// One undoable change of a bound value: undo writes the old value back, redo the new one. Steps carry
// no name, so the Edit menu reads plain "Undo" and "Redo", and none merges into another: every change
// is a step of its own.
template <typename T> class ValueChangeCommand : public QUndoCommand {
public:
    ValueChangeCommand(UndoHandler<T>* handler, T before, T after)
        : m_handler(handler), m_before(std::move(before)), m_after(std::move(after))
    {
    }

    void undo() override
    {
        if (m_handler)
            m_handler->applyUndo(m_before);
    }

    void redo() override
    {
        // The stack redoes a command as it is pushed; the change it records has already happened.
        if (m_firstRedo) {
            m_firstRedo = false;
            return;
        }
        if (m_handler)
            m_handler->applyUndo(m_after);
    }

private:
    QPointer<UndoHandler<T>> m_handler;
    T m_before;
    T m_after;
    bool m_firstRedo = true;
};

// Makes every change of one bound value undoable through a window's undo stack, without the editors
// knowing of undo. The owner reports each change with registerUndo(old, new); undo and redo write the
// recorded values back through the binding. The echo of such a write (which the owner reports like any
// other change) is recognised while the write runs and is not registered again.
//
// Usage (the window): bind once shown, then report every change:
//     handler.setBinding(Binding<PageLayout>::of(layoutModel));
//     handler.setUndoManager(&undoStack);
//     layoutModel.onChange(this, [&](auto& old, auto& now) { handler.registerUndo(old, now); });
//
// Main thread only.
template <typename T> class UndoHandler : public QObject {
public:
    explicit UndoHandler(QObject* parent = nullptr) : QObject(parent) {}

    void setBinding(KestrelExtensions::Binding<T> binding) { m_binding = std::move(binding); }
    const KestrelExtensions::Binding<T>& binding() const { return m_binding; }

    // Not owned: the stack belongs to the window and may go first.
    void setUndoManager(QUndoStack* stack) { m_undoManager = stack; }
    QUndoStack* undoManager() const { return m_undoManager.data(); }

    // True only while the handler writes a restored value.
    bool ignoreNextRegister() const { return m_ignoreNextRegister; }

    // Records the change from `before` to `after` as one undo step; nothing happens before an undo
    // stack is set, or for the echo of the handler's own write.
    void registerUndo(const T& before, const T& after)
    {
        if (m_ignoreNextRegister || !m_undoManager)
            return;
        m_undoManager->push(new ValueChangeCommand<T>(this, before, after));
    }

    // Writes `value` through the binding; the body of every undo and redo step. The guard lasts for the
    // write alone, so a write that changes nothing cannot swallow the user's next change.
    void applyUndo(const T& value)
    {
        if (!m_binding.isValid() || !m_binding.notifier())
            return;
        m_ignoreNextRegister = true;
        m_binding.set(value);
        m_ignoreNextRegister = false;
    }

private:
    KestrelExtensions::Binding<T> m_binding;
    QPointer<QUndoStack> m_undoManager;
    bool m_ignoreNextRegister = false;
};

} // namespace Sheetwright
