#include "ImagePipeline.h"

#include "Cancellation.h"
#include "ImagePool.h"
#include "ImageReader.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace RuvedovUzedoz {

ImagePipeline::ImagePipeline(std::vector<ImageRequest> requests, ImageSettings settings, int lookahead,
                             std::shared_ptr<const Cancellation> cancellation)
    : m_requests(std::move(requests)), m_settings(settings),
      m_lookahead(size_t(lookahead > 0 ? lookahead : defaultLookahead())),
      m_stop(std::make_shared<Cancellation>(std::move(cancellation)))
{
    submitAhead();
}

ImagePipeline::~ImagePipeline()
{
    // Work not yet started returns at once; decodes under way stop at their next check.
    m_stop->cancel();
    for (auto& [index, future] : m_pending) {
        future.waitForFinished();
    }
    for (auto& future : m_skipped) {
        future.waitForFinished();
    }
}

int ImagePipeline::defaultLookahead()
{
    return std::max(2, 2 * imagePool().maxThreadCount());
}

std::optional<PreparedImage> ImagePipeline::take(size_t index)
{
    if (index >= m_requests.size()) {
        return std::nullopt;
    }
    // Pictures passed over are not wanted any more: drop them so they do not hold a place ahead.
    while (!m_pending.empty() && m_pending.begin()->first < index) {
        m_skipped.push_back(std::move(m_pending.begin()->second));
        m_pending.erase(m_pending.begin());
    }
    std::erase_if(m_skipped, [](const auto& future) { return future.isFinished(); });
    m_nextToSubmit = std::max(m_nextToSubmit, index);
    submitAhead();

    auto found = m_pending.find(index);
    if (found == m_pending.end()) {
        return std::nullopt; // taken before
    }
    QFuture<std::optional<PreparedImage>> future = std::move(found->second);
    m_pending.erase(found);
    submitAhead();
    return future.result();
}

void ImagePipeline::submitAhead()
{
    while (m_nextToSubmit < m_requests.size() && m_pending.size() < m_lookahead) {
        const size_t index = m_nextToSubmit++;
        m_pending.emplace(index, QtConcurrent::run(&imagePool(), [request = m_requests[index],
                                                                  settings = m_settings, stop = m_stop]() {
                              return ImageReader::prepare(request, settings, stop.get());
                          }));
    }
}

} // namespace RuvedovUzedoz
