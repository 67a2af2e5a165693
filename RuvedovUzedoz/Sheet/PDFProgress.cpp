#include "PDFProgress.h"

#include "KestrelExtensions/Logging/Log.h"

#include <QThread>

namespace RuvedovUzedoz {

PDFProgress::PDFProgress(QObject* parent) : QObject(parent)
{
    KestrelExtensions::Log::system(QStringLiteral("Creating new PDFProgress!!"));
}

std::shared_ptr<PDFProgress> PDFProgress::create()
{
    return std::shared_ptr<PDFProgress>(new PDFProgress, [](PDFProgress* progress) {
        if (progress->thread() == QThread::currentThread())
            delete progress;
        else
            progress->deleteLater();
    });
}

void PDFProgress::setCompletedUnitCount(float value)
{
    if (value == m_completedUnitCount)
        return;
    m_completedUnitCount = value;
    emit completedUnitCountChanged(value);
    emit changed();
}

void PDFProgress::setTotalUnitCount(float value)
{
    if (value == m_totalUnitCount)
        return;
    m_totalUnitCount = value;
    emit totalUnitCountChanged(value);
    emit changed();
}

void PDFProgress::setRendering(bool value)
{
    if (value == m_isRendering)
        return;
    m_isRendering = value;
    emit isRenderingChanged(value);
    emit changed();
}

} // namespace RuvedovUzedoz
