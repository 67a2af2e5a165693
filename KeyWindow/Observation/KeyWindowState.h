#pragma once

#include "KeyWindowValuesPreference.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace KeyWindow {

// The values of the key window, process-wide: whatever is not inside a window (menu commands) reads
// and writes the key window's values here. Main thread only.
class KeyWindowState : public QObject {
    Q_OBJECT
public:
    // The one instance, made on first use and never released.
    static KeyWindowState& shared();

    explicit KeyWindowState(QObject* parent = nullptr) : QObject(parent) {}

    const KeyWindowValuesPreference& values() const { return m_values; }
    // Every assignment announces a change, whether or not the content differs.
    void setValues(const KeyWindowValuesPreference& values);

    QWidget* window() const { return m_window.data(); }
    void setWindow(QWidget* window) { m_window = window; }

    template <KeyWindowValueKey Key> UnwrappedValue<Key> value() const { return m_values.value<Key>(); }

signals:
    void valuesChanged();

private:
    KeyWindowValuesPreference m_values;
    QPointer<QWidget> m_window;
};

} // namespace KeyWindow
