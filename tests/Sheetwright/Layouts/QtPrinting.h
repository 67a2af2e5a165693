#pragma once

#include "RuvedovUzedoz/Layouts/PageLayout.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <ostream>

// Readable QString (and so QStringList) values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace RuvedovUzedoz {
inline void PrintTo(const PageLayout& layout, std::ostream* out)
{
    *out << QJsonDocument(layout.toJson().toObject()).toJson(QJsonDocument::Compact).toStdString();
}
} // namespace RuvedovUzedoz
