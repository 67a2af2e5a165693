#pragma once

#include "PreparedImage.h"

#include <QFuture>
#include <atomic>
#include <map>
#include <memory>

namespace RuvedovUzedoz {

class Cancellation;

// Prepares pictures ahead of the page drawing on its own thread pool, in request order, holding at most
// `lookahead` prepared pictures at a time so memory does not grow with the number of pages.
class ImagePipeline {
public:
    // Preparation stops early once `cancellation` (when given) reads cancelled.
    ImagePipeline(std::vector<ImageRequest> requests, ImageSettings settings,
                  int lookahead = 0 /* 0 = a default from the core count */,
                  std::shared_ptr<const Cancellation> cancellation = nullptr);
    ~ImagePipeline(); // stops outstanding work and waits for it; safe at any point
    ImagePipeline(const ImagePipeline&) = delete;
    ImagePipeline& operator=(const ImagePipeline&) = delete;
    // Blocks until request `index` is prepared. Indexes are taken in increasing order, each at most once.
    // nullopt: the file could not be read as an image (one log line naming the file and the reason was
    // written).
    std::optional<PreparedImage> take(size_t index);

    // The look-ahead used when none is given: two pictures per preparing thread.
    static int defaultLookahead();

private:
    void submitAhead();

    std::vector<ImageRequest> m_requests;
    ImageSettings m_settings;
    size_t m_lookahead;
    size_t m_nextToSubmit = 0;
    std::map<size_t, QFuture<std::optional<PreparedImage>>> m_pending;
    std::vector<QFuture<std::optional<PreparedImage>>> m_skipped;
    // Cancelled with the render, or when the pipeline goes: work under way then stops too.
    std::shared_ptr<Cancellation> m_stop;
};

} // namespace RuvedovUzedoz
