#pragma once

#include "KestrelExtensions/Observation/Observable.h"

#include <QString>
#include <QTimer>
#include <memory>

namespace Sheetwright {

// A value kept with the JSON file it belongs to. Nothing in the application creates one yet; it is a
// plain holder of the value, its file and an optional timer, and it reads or writes nothing by itself
// (nothing is written when a box is released).
template <typename T> class DiskStore {
public:
    class Box {
    public:
        Box(QString url, T value) : m_value(std::move(value)), m_url(std::move(url)) {}

        // Announces every change of the value.
        KestrelExtensions::Observable<T>& value() { return m_value; }
        const KestrelExtensions::Observable<T>& value() const { return m_value; }
        const QString& url() const { return m_url; }
        QTimer* timer() const { return m_timer.get(); }
        void setTimer(std::unique_ptr<QTimer> timer) { m_timer = std::move(timer); }

    private:
        KestrelExtensions::Observable<T> m_value;
        const QString m_url;
        std::unique_ptr<QTimer> m_timer;
    };

    explicit DiskStore(std::shared_ptr<Box> box) : m_box(std::move(box)) {}

    Box& box() const { return *m_box; }

private:
    std::shared_ptr<Box> m_box;
};

} // namespace Sheetwright
