#pragma once

#include "RuvedovUzedoz/Images/PreparedImage.h"

#include <exception>
#include <memory>
#include <optional>
#include <vector>

namespace RuvedovUzedoz {

class Cancellation;
class ImagePipeline;

// Thrown by ImageSupply::take once the render has been cancelled, to end the drawing there.
struct RenderCancelled : std::exception {
    const char* what() const noexcept override { return "the render was cancelled"; }
};

// The pictures of one render, prepared ahead in the order the pages will draw them. The preparation
// starts with the first picture asked for and ends with the last. A picture asked for out of that
// order (a page drawn again, or on its own) is prepared there and then, so drawing never depends on it.
// Used from the drawing thread only.
class ImageSupply {
public:
    ImageSupply(std::vector<ImageRequest> requests, ImageSettings settings,
                std::shared_ptr<const Cancellation> cancellation = nullptr);
    ~ImageSupply();
    ImageSupply(const ImageSupply&) = delete;
    ImageSupply& operator=(const ImageSupply&) = delete;

    // nullopt when the file cannot be read as an image (the preparation logged why). Throws
    // RenderCancelled once the render is cancelled.
    std::optional<PreparedImage> take(const ImageRequest& request, const ImageSettings& settings);

    // A picture prepared on its own, outside any render's order.
    static std::optional<PreparedImage> prepare(const ImageRequest& request, const ImageSettings& settings);

private:
    std::vector<ImageRequest> m_requests;
    ImageSettings m_settings;
    std::shared_ptr<const Cancellation> m_cancellation;
    size_t m_next = 0;
    std::unique_ptr<ImagePipeline> m_pipeline;
};

} // namespace RuvedovUzedoz
