#pragma once

#include "KestrelExtensions/Coding/JsonCoder.h"
#include "KestrelExtensions/Observation/Observable.h"

#include <QString>
#include <QTimer>
#include <memory>

namespace Sheetwright {

// A value kept with the JSON file it belongs to. Nothing in the application creates one yet; it is a
// plain holder of the value, its file, the coders for that file and an optional timer, and it reads or
// writes nothing by itself (nothing is written when a box is released).
template <typename T>
requires KestrelExtensions::JsonEncodable<T> && KestrelExtensions::JsonDecodable<T>
class DiskStore {
public:
    class Box {
    public:
        Box(QString url, T value) : m_value(std::move(value)), m_url(std::move(url)) {}

        // Announces every change of the value.
        KestrelExtensions::Observable<T>& value() { return m_value; }
        const KestrelExtensions::Observable<T>& value() const { return m_value; }
        const QString& url() const { return m_url; }
        const KestrelExtensions::JsonEncoder& encoder() const { return m_encoder; }
        const KestrelExtensions::JsonDecoder& decoder() const { return m_decoder; }
        QTimer* timer() const { return m_timer.get(); }
        void setTimer(std::unique_ptr<QTimer> timer) { m_timer = std::move(timer); }

    private:
        KestrelExtensions::Observable<T> m_value;
        const QString m_url;
        const KestrelExtensions::JsonEncoder m_encoder{};
        const KestrelExtensions::JsonDecoder m_decoder{};
        std::unique_ptr<QTimer> m_timer;
    };

    explicit DiskStore(std::shared_ptr<Box> box) : m_box(std::move(box)) {}

    Box& box() const { return *m_box; }

private:
    std::shared_ptr<Box> m_box;
};

} // namespace Sheetwright
