#include "UserDefaults.h"

namespace KestrelExtensions {

UserDefaults::UserDefaults(const QString& fileName, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard()
{
    static UserDefaults* store = [] {
        QSettings probe; // the application's own path, from its organisation and application names
        return new UserDefaults(probe.fileName());
    }();
    return *store;
}

bool UserDefaults::contains(const QString& key) const
{
    return m_settings->contains(key);
}

QVariant UserDefaults::value(const QString& key) const
{
    return m_settings->value(key);
}

std::optional<QString> UserDefaults::string(const QString& key) const
{
    if (!m_settings->contains(key))
        return std::nullopt;
    return m_settings->value(key).toString();
}

std::optional<bool> UserDefaults::boolean(const QString& key) const
{
    if (!m_settings->contains(key))
        return std::nullopt;
    return m_settings->value(key).toBool();
}

std::optional<double> UserDefaults::number(const QString& key) const
{
    if (!m_settings->contains(key))
        return std::nullopt;
    bool ok = false;
    const double number = m_settings->value(key).toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    if (m_settings->contains(key) && m_settings->value(key) == value)
        return;
    m_settings->setValue(key, value);
    // The standard store lives until exit without being destroyed: write through so nothing is lost.
    m_settings->sync();
    emit changed(key);
}

void UserDefaults::remove(const QString& key)
{
    if (!m_settings->contains(key))
        return;
    m_settings->remove(key);
    m_settings->sync();
    emit changed(key);
}

QString UserDefaults::fileName() const
{
    return m_settings->fileName();
}

void UserDefaults::sync()
{
    m_settings->sync();
}

} // namespace KestrelExtensions
