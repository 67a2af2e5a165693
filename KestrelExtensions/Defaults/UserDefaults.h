#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace KestrelExtensions {

// The user-defaults store: app-wide settings over QSettings, with a change signal (QSettings announces
// nothing). `standard()` is the application's own store; tests create one on an explicit file.
//
// A path that exists but is not a regular file (a pipe, a device, a folder) is never opened: reading a pipe
// would wait for a writer for ever, and saving would replace what is there. Such a store starts with no
// values, keeps what is set in memory for this process only, and says so in one log line.
class UserDefaults : public QObject {
    Q_OBJECT
public:
    explicit UserDefaults(const QString& fileName, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The process-wide store in the application's default settings file. Main thread only.
    static UserDefaults& standard();
    // Where `standard()` keeps its values: the application's settings file in the user's configuration
    // folder, worked out without opening it.
    static QString standardFileName();

    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;
    // Absent key: nullopt; a present empty string stays an empty string.
    std::optional<QString> string(const QString& key) const;
    // Only true/false, yes/no, on/off and 1/0 (any case) read as a Boolean; anything else reads as absent,
    // so a damaged value falls back to the caller's default instead of counting as true.
    std::optional<bool> boolean(const QString& key) const;
    std::optional<double> number(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void setString(const QString& key, const QString& value) { setValue(key, value); }
    void setBool(const QString& key, bool value) { setValue(key, value); }
    void remove(const QString& key);

    QString fileName() const;
    // False when the file was passed over (not a regular file) and values live in memory only.
    bool isBackedByFile() const { return m_settings != nullptr; }
    void sync();

signals:
    void changed(const QString& key);

private:
    std::unique_ptr<QSettings> m_settings; // null when the file was passed over
    QString m_fileName;
    QVariantMap m_memory; // the values of a store without a file
};

} // namespace KestrelExtensions
