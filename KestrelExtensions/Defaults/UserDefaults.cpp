#include "UserDefaults.h"

#include "KestrelExtensions/Logging/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <sys/stat.h>

namespace KestrelExtensions {

namespace {

// Something is there and it is not a regular file (after following links). A missing file is fine:
// the store creates it on the first write.
bool isSomethingElseThanAFile(const QString& fileName)
{
    struct stat status {};
    return ::stat(QFile::encodeName(fileName).constData(), &status) == 0 && !S_ISREG(status.st_mode);
}

std::optional<bool> booleanFromText(const QString& text)
{
    const QString word = text.trimmed().toLower();
    for (const char* yes : {"true", "yes", "on", "1"})
        if (word == QLatin1String(yes))
            return true;
    for (const char* no : {"false", "no", "off", "0"})
        if (word == QLatin1String(no))
            return false;
    return std::nullopt;
}

} // namespace

UserDefaults::UserDefaults(const QString& fileName, QObject* parent) : QObject(parent), m_fileName(fileName)
{
    if (isSomethingElseThanAFile(fileName)) {
        Log::system(QStringLiteral("Settings file %1 is not a regular file; using the defaults, and changes "
                                   "are not saved")
                        .arg(QDir::toNativeSeparators(fileName)));
        return;
    }
    m_settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::standardFileName()
{
    // The path QSettings gives the application's own settings on this platform. Opening a QSettings
    // just to ask would already read the file.
    QString organization = QCoreApplication::organizationName();
    if (organization.isEmpty())
        organization = QStringLiteral("Unknown Organization");
    const QString application = QCoreApplication::applicationName();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder + QLatin1Char('/') + organization +
           (application.isEmpty() ? QString() : QLatin1Char('/') + application) + QStringLiteral(".conf");
}

UserDefaults& UserDefaults::standard()
{
    static UserDefaults* store = new UserDefaults(standardFileName());
    return *store;
}

bool UserDefaults::contains(const QString& key) const
{
    return m_settings ? m_settings->contains(key) : m_memory.contains(key);
}

QVariant UserDefaults::value(const QString& key) const
{
    return m_settings ? m_settings->value(key) : m_memory.value(key);
}

std::optional<QString> UserDefaults::string(const QString& key) const
{
    if (!contains(key))
        return std::nullopt;
    return value(key).toString();
}

std::optional<bool> UserDefaults::boolean(const QString& key) const
{
    if (!contains(key))
        return std::nullopt;
    const QVariant stored = value(key);
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return stored.toBool();
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return booleanFromText(stored.toString());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return booleanFromText(QString::number(stored.toLongLong()));
    default:
        return std::nullopt; // a list ("a, b" in the file), a number other than 1 or 0, ...
    }
}

std::optional<double> UserDefaults::number(const QString& key) const
{
    if (!contains(key))
        return std::nullopt;
    bool ok = false;
    const double number = value(key).toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    if (contains(key) && this->value(key) == value)
        return;
    if (m_settings) {
        m_settings->setValue(key, value);
        // The standard store lives until exit without being destroyed: write through so nothing is lost.
        m_settings->sync();
    } else {
        m_memory.insert(key, value);
    }
    emit changed(key);
}

void UserDefaults::remove(const QString& key)
{
    if (!contains(key))
        return;
    if (m_settings) {
        m_settings->remove(key);
        m_settings->sync();
    } else {
        m_memory.remove(key);
    }
    emit changed(key);
}

QString UserDefaults::fileName() const
{
    return m_settings ? m_settings->fileName() : m_fileName;
}

void UserDefaults::sync()
{
    if (m_settings)
        m_settings->sync();
}

} // namespace KestrelExtensions
