#pragma once

class QThreadPool;

namespace RuvedovUzedoz {

// The threads that prepare pictures: one per core, apart from the render threads, because a render waits
// on pictures and must never wait on a task queued behind itself.
QThreadPool& imagePool();

} // namespace RuvedovUzedoz
