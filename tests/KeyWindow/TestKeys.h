#pragma once

#include "KeyWindow/Values/KeyWindowValueKey.h"

#include <KestrelExtensions/Observation/Binding.h>
#include <QObject>
#include <QString>

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

class SpecialChannel : public Channel {
    Q_OBJECT
public:
    using Channel::Channel;
};

struct NumberKey {
    using Value = int;
};
struct TextKey {
    using Value = QString;
};
struct PointerKey {
    using Value = int*;
};
struct RowsBindingKey {
    using Value = KestrelExtensions::Binding<int>;
};
struct TitleBindingKey {
    using Value = KestrelExtensions::Binding<std::optional<QString>>;
};
