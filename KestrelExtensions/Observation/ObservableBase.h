#pragma once

#include <QObject>

namespace KestrelExtensions {

// moc cannot handle templates, so the change signal of every Observable<T> lives here.
class ObservableBase : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // Emitted once per real change, after the new value is stored; during the emission
    // Observable<T>::previous() holds the value it replaced.
    void changed();
};

} // namespace KestrelExtensions
