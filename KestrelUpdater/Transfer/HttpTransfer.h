#pragma once

#include "TransferRequest.h"

namespace KestrelUpdater {

class TransferControl;

// What any single response may carry in headers: per line, and all lines together (interim answers
// included). Past either, the transfer ends.
inline constexpr qsizetype maximumHeaderLine = 16 * 1024;
inline constexpr qsizetype maximumHeaderBytes = 64 * 1024;

// Runs one transfer to its end on the calling (worker) thread, following redirects one hop at a time:
// each target is checked before any traffic goes to it, and a redirect's body is never read.
TransferOutcome performTransfer(const TransferRequest& request, TransferSink& sink, TransferControl& control);

} // namespace KestrelUpdater
