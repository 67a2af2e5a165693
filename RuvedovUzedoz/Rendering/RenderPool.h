#pragma once

class QThreadPool;

namespace RuvedovUzedoz {

// The threads that draw documents. Pictures are prepared on a pool of their own: a render waits for
// them, and sharing one pool could leave no thread to prepare what it waits for.
QThreadPool& renderPool();

} // namespace RuvedovUzedoz
