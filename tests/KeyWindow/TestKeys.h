#pragma once

#include "KeyWindow/Observation/KeyWindowState.h"
#include "KeyWindow/Values/KeyWindowValueKey.h"

#include <KestrelExtensions/Observation/Binding.h>
#include <QObject>
#include <QString>
#include <gtest/gtest.h>

// Each test starts with no key window and nothing published.
class KeyWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state().setWindow(nullptr);
        state().setValues({});
    }
    static KeyWindow::KeyWindowState& state() { return KeyWindow::KeyWindowState::shared(); }
};

// A window's command object, as the application publishes one.
class Channel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QString heading READ title NOTIFY titleChanged)
public:
    using Value = Channel;
    using QObject::QObject;

    static Channel& defaultValue()
    {
        static Channel* instance = new Channel;
        return *instance;
    }

    QString title() const { return m_title; }
    void setTitle(const QString& title)
    {
        if (title == m_title)
            return;
        m_title = title;
        emit titleChanged(title);
    }

signals:
    void titleChanged(const QString& title);

private:
    QString m_title;
};

// Keys differ by the type of value they publish.
template <typename V> struct TestKey {
    using Value = V;
};
using NumberKey = TestKey<int>;
using TextKey = TestKey<QString>;
using PointerKey = TestKey<int*>;
using RowsBindingKey = TestKey<KestrelExtensions::Binding<int>>;
using TitleBindingKey = TestKey<KestrelExtensions::Binding<std::optional<QString>>>;
