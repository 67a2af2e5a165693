#pragma once

#include "TransferRequest.h"

namespace KestrelUpdater {

// The user's sentence for how a transfer ended, in the words every transfer shares (empty when it
// completed). Whatever the server sent that stands in it is cleaned of control and direction characters.
QString transferProblem(const TransferOutcome& outcome);

} // namespace KestrelUpdater
