#pragma once

#include "PreparedImage.h"

#include <QFuture>
#include <atomic>
#include <map>
#include <memory>

namespace RuvedovUzedoz {

class Cancellation;

// Prepares pictures ahead of the page drawing on its own thread pool, in request order, with at most
// `lookahead` pictures under way or waiting. The decoded pixels of those, and of the last one taken
// (being drawn), hold their share of the decode budget (DecodeBudget): a picture that does not fit is
// prepared only when it is taken, so memory stays bounded whatever the pictures decode to.
class ImagePipeline {
public:
    // Preparation stops early once `cancellation` (when given) reads cancelled.
    ImagePipeline(std::vector<ImageRequest> requests, ImageSettings settings,
                  int lookahead = 0 /* 0 = a default from the core count */,
                  std::shared_ptr<const Cancellation> cancellation = nullptr);
    ~ImagePipeline(); // stops outstanding work and waits for it; safe at any point
    ImagePipeline(const ImagePipeline&) = delete;
    ImagePipeline& operator=(const ImagePipeline&) = delete;
    // Blocks until request `index` is prepared. Indexes are taken in increasing order, each at most once;
    // taking one ends the drawing of the one taken before (its share of the budget goes back).
    // nullopt: the file could not be read as an image (one log line naming the file and the reason was
    // written).
    std::optional<PreparedImage> take(size_t index);

    // The look-ahead used when none is given: two pictures per preparing thread.
    static int defaultLookahead();

private:
    // A preparation's outcome and the bytes of the budget that it holds.
    struct Prepared {
        std::optional<PreparedImage> image;
        qint64 held = 0;
        bool deferred = false;
    };
    using Future = QFuture<Prepared>;

    void submitAhead();
    static void release(const Future& finished);

    std::vector<ImageRequest> m_requests;
    ImageSettings m_settings;
    size_t m_lookahead;
    size_t m_nextToSubmit = 0;
    std::map<size_t, Future> m_pending;
    std::vector<Future> m_skipped;
    // The index the drawing waits for next: that picture never waits for the budget.
    std::shared_ptr<std::atomic<size_t>> m_head = std::make_shared<std::atomic<size_t>>(0);
    qint64 m_takenHeld = 0; // the budget held by the picture last taken
    // Cancelled with the render, or when the pipeline goes: work under way then stops too.
    std::shared_ptr<Cancellation> m_stop;
};

} // namespace RuvedovUzedoz
