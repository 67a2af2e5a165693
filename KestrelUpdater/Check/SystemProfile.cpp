#include "SystemProfile.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSysInfo>
#include <QThread>

namespace KestrelUpdater {

QUrlQuery systemProfile(const QString& applicationVersion)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("appName"), QCoreApplication::applicationName());
    query.addQueryItem(QStringLiteral("appVersion"), applicationVersion);
    query.addQueryItem(QStringLiteral("osName"), QSysInfo::productType());
    query.addQueryItem(QStringLiteral("osVersion"), QSysInfo::productVersion());
    query.addQueryItem(QStringLiteral("kernel"), QSysInfo::kernelVersion());
    query.addQueryItem(QStringLiteral("cpuArch"), QSysInfo::currentCpuArchitecture());
    query.addQueryItem(QStringLiteral("ncpu"), QString::number(QThread::idealThreadCount()));
    const QStringList languages = QLocale::system().uiLanguages();
    query.addQueryItem(QStringLiteral("lang"),
                       languages.isEmpty() ? QStringLiteral("en") : languages.first());
    return query;
}

} // namespace KestrelUpdater
