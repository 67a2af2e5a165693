// Not called by the application: kept as a library service for other users.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace KestrelExtensions {

// `bytes` as UTF-8 text, or absent when they are not valid UTF-8 (a cut or invalid sequence), where
// QString::fromUtf8 would silently put replacement characters in.
std::optional<QString> decodeUtf8Strictly(const QByteArray& bytes);

} // namespace KestrelExtensions
