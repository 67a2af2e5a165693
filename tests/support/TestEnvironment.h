#pragma once

#include <QString>

namespace TestSupport {

// The temporary folder that stands in for HOME in this test process; XDG folders live inside it.
QString temporaryHome();

// Prepares fresh HOME/XDG folders and the offscreen platform; the shared main calls it before Qt starts.
void isolateEnvironment();

} // namespace TestSupport
