#pragma once

#include "CodingError.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <optional>

namespace KestrelExtensions {

// Strict reads from a JSON object: a missing key or null fails a required read, a present value of the
// wrong type always fails, and every error names the key through its coding path. The `IfPresent`
// forms read a missing key or null as absent.
class JsonObjectReader {
public:
    JsonObjectReader(QJsonObject object, QStringList codingPath = {})
        : m_object(std::move(object)), m_path(std::move(codingPath))
    {
    }
    // Fails with a type mismatch when `value` is not an object.
    static JsonObjectReader from(const QJsonValue& value, const QStringList& codingPath = {});

    bool contains(const QString& key) const { return m_object.contains(key); }
    QStringList pathTo(const QString& key) const { return m_path + QStringList{key}; }

    double number(const QString& key) const;
    qint64 integer(const QString& key) const;
    bool boolean(const QString& key) const;
    QString string(const QString& key) const;
    QJsonArray array(const QString& key) const;
    QJsonObject object(const QString& key) const;
    // The raw value of a present, non-null key; fails like the typed reads otherwise.
    QJsonValue value(const QString& key) const;

    std::optional<double> numberIfPresent(const QString& key) const;
    std::optional<qint64> integerIfPresent(const QString& key) const;
    std::optional<bool> booleanIfPresent(const QString& key) const;
    std::optional<QString> stringIfPresent(const QString& key) const;
    std::optional<QJsonValue> valueIfPresent(const QString& key) const;

private:
    QJsonValue required(const QString& key, const char* type) const;
    std::optional<QJsonValue> optional(const QString& key) const;

    QJsonObject m_object;
    QStringList m_path;
};

// Writes a number for JSON; JSON has no NaN or infinity, so those throw instead of turning into null.
QJsonValue encodeNumber(double value, const QStringList& codingPath = {});

} // namespace KestrelExtensions
