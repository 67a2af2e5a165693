#pragma once

#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"

#include <QVariantMap>
#include <optional>

namespace RuvedovUzedoz {

// Reads the image settings out of a compression filter's properties; nullopt when a value is missing
// or not a number, in which case pictures are drawn unfiltered.
std::optional<ImageSettings> compressionSettings(const QVariantMap& filter);

// The settings pictures are prepared with for `layout`: its filter's when the filter is on, otherwise
// pictures as they are.
ImageSettings imageSettings(const PageLayout& layout);

} // namespace RuvedovUzedoz
