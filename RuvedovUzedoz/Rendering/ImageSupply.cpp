#include "RuvedovUzedoz/Rendering/ImageSupply.h"

#include "RuvedovUzedoz/Images/Cancellation.h"
#include "RuvedovUzedoz/Images/ImagePipeline.h"

namespace RuvedovUzedoz {

namespace {

bool sameSettings(const ImageSettings& a, const ImageSettings& b)
{
    return a.compress == b.compress && a.quality == b.quality && a.scaleFactor == b.scaleFactor &&
           a.resolution == b.resolution && a.sizeMax == b.sizeMax && a.sizeMin == b.sizeMin;
}

} // namespace

ImageSupply::ImageSupply(std::vector<ImageRequest> requests, ImageSettings settings,
                         std::shared_ptr<const Cancellation> cancellation)
    : m_requests(std::move(requests)), m_settings(settings), m_cancellation(std::move(cancellation))
{
}

ImageSupply::~ImageSupply() = default;

std::optional<PreparedImage> ImageSupply::take(const ImageRequest& request, const ImageSettings& settings)
{
    if (m_cancellation && m_cancellation->isCancelled()) {
        m_pipeline.reset();
        throw RenderCancelled();
    }
    const bool inOrder = m_next < m_requests.size() && m_requests[m_next].url == request.url &&
                         m_requests[m_next].box == request.box && sameSettings(settings, m_settings);
    if (!inOrder)
        return prepare(request, settings);
    if (!m_pipeline)
        m_pipeline = std::make_unique<ImagePipeline>(m_requests, m_settings, 0, m_cancellation);
    std::optional<PreparedImage> image = m_pipeline->take(m_next++);
    if (m_cancellation && m_cancellation->isCancelled()) {
        m_pipeline.reset();
        throw RenderCancelled();
    }
    // Nothing is left to prepare after the last picture: let the preparation go now.
    if (m_next == m_requests.size())
        m_pipeline.reset();
    return image;
}

std::optional<PreparedImage> ImageSupply::prepare(const ImageRequest& request, const ImageSettings& settings)
{
    ImagePipeline single({request}, settings, 1);
    return single.take(0);
}

} // namespace RuvedovUzedoz
