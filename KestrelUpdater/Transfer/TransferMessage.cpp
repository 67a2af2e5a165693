#include "TransferMessage.h"

#include "KestrelUpdater/Interface/FeedText.h"

namespace KestrelUpdater {

QString transferProblem(const TransferOutcome& outcome)
{
    using Ending = TransferOutcome::Ending;
    switch (outcome.ending) {
    case Ending::Completed:
        return {};
    case Ending::Cancelled:
        return QStringLiteral("Cancelled.");
    case Ending::UnsafeRedirect:
        return QStringLiteral("The update server redirected to an address that is not safe: %1")
            .arg(feedText(outcome.detail, 200));
    case Ending::TooManyRedirects:
        return QStringLiteral("The update server redirected too often.");
    case Ending::HttpStatus:
        return QStringLiteral("The update server answered HTTP %1.").arg(outcome.httpStatus);
    case Ending::HeadersTooLarge:
        return QStringLiteral("The update server sent more headers than any answer needs.");
    case Ending::TooLarge:
        return QStringLiteral("The update server sent more than any update needs.");
    case Ending::NoAnswer:
        return QStringLiteral("The update server did not answer in time.");
    case Ending::TooSlow:
        return QStringLiteral("The update server sends too slowly.");
    case Ending::Deadline:
        return QStringLiteral("The update server took too long to answer.");
    case Ending::SinkFailed:
        return feedText(outcome.detail, 300);
    case Ending::Failed:
        break;
    }
    return QStringLiteral("The update server could not be reached: %1").arg(feedText(outcome.detail, 300));
}

} // namespace KestrelUpdater
