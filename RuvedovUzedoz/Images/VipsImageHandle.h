#pragma once

#include "VipsApi.h"

#include <memory>

namespace RuvedovUzedoz {

struct VipsImageRelease {
    void operator()(VipsImage* image) const
    {
        if (image) {
            g_object_unref(image);
        }
    }
};

// Owns one reference to a vips image.
using VipsImageHandle = std::unique_ptr<VipsImage, VipsImageRelease>;

} // namespace RuvedovUzedoz
