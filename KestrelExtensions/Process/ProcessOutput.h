// Not called by the application: kept as a library service for other users.
#pragma once

#include "KestrelExtensions/String/StrictUtf8.h"

#include <QByteArray>
#include <cstdint>

namespace KestrelExtensions {

// What a successful run of a tool produced: its exit status (0) and everything it wrote to standard output.
struct ProcessOutput {
    int32_t terminationStatus = 0;
    QByteArray response;

    // The response as UTF-8 text; absent when it is not valid UTF-8.
    std::optional<QString> responseString() const { return decodeUtf8Strictly(response); }
};

} // namespace KestrelExtensions
