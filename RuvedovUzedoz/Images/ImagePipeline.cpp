#include "ImagePipeline.h"

#include "Cancellation.h"
#include "DecodeBudget.h"
#include "ImagePool.h"
#include "ImageReader.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <utility>

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
        release(future);
    }
    for (auto& future : m_skipped) {
        future.waitForFinished();
        release(future);
    }
    DecodeBudget::release(m_takenHeld);
}

int ImagePipeline::defaultLookahead()
{
    return std::max(2, 2 * imagePool().maxThreadCount());
}

void ImagePipeline::release(const Future& finished)
{
    if (finished.resultCount() > 0)
        DecodeBudget::release(finished.result().held);
}

std::optional<PreparedImage> ImagePipeline::take(size_t index)
{
    if (index >= m_requests.size()) {
        return std::nullopt;
    }
    // The picture taken before has been drawn.
    DecodeBudget::release(std::exchange(m_takenHeld, 0));
    m_head->store(std::max(m_head->load(), index));
    // Pictures passed over are not wanted any more: drop them so they do not hold a place ahead.
    while (!m_pending.empty() && m_pending.begin()->first < index) {
        m_skipped.push_back(std::move(m_pending.begin()->second));
        m_pending.erase(m_pending.begin());
    }
    std::erase_if(m_skipped, [](const Future& future) {
        if (!future.isFinished())
            return false;
        release(future);
        return true;
    });
    m_nextToSubmit = std::max(m_nextToSubmit, index);
    submitAhead();

    auto found = m_pending.find(index);
    if (found == m_pending.end()) {
        return std::nullopt; // taken before
    }
    Future future = std::move(found->second);
    m_pending.erase(found);
    submitAhead();
    Prepared prepared = future.result();
    if (prepared.deferred) {
        // It did not fit beside the pictures prepared ahead; now that it is wanted, it goes first.
        ImageReader::BudgetClaim claim{.mayExceed = true};
        prepared.image = ImageReader::prepare(m_requests[index], m_settings, m_stop.get(), &claim);
        prepared.held = claim.held;
    }
    m_takenHeld = prepared.held;
    return std::move(prepared.image);
}

void ImagePipeline::submitAhead()
{
    while (m_nextToSubmit < m_requests.size() && m_pending.size() < m_lookahead) {
        const size_t index = m_nextToSubmit++;
        m_pending.emplace(index,
                          QtConcurrent::run(&imagePool(), [request = m_requests[index], settings = m_settings,
                                                           stop = m_stop, head = m_head, index]() {
                              ImageReader::BudgetClaim claim{.mayExceed = index <= head->load()};
                              Prepared prepared;
                              prepared.image = ImageReader::prepare(request, settings, stop.get(), &claim);
                              prepared.held = claim.held;
                              prepared.deferred = claim.deferred;
                              return prepared;
                          }));
    }
}

} // namespace RuvedovUzedoz
