#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace KestrelExtensions {

// The user-defaults store: app-wide settings over QSettings, with a change signal (QSettings announces
// nothing). `standard()` is the application's own store; tests create one on an explicit file.
class UserDefaults : public QObject {
    Q_OBJECT
public:
    explicit UserDefaults(const QString& fileName, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The process-wide store in the application's default settings file. Main thread only.
    static UserDefaults& standard();

    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;
    // Absent key: nullopt; a present empty string stays an empty string.
    std::optional<QString> string(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<double> number(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void setString(const QString& key, const QString& value) { setValue(key, value); }
    void setBool(const QString& key, bool value) { setValue(key, value); }
    void remove(const QString& key);

    QString fileName() const;
    void sync();

signals:
    void changed(const QString& key);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace KestrelExtensions
