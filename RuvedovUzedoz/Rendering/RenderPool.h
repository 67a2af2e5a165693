#pragma once

#include <chrono>

class QThreadPool;

namespace RuvedovUzedoz {

// The threads that draw documents. Pictures are prepared on a pool of their own: a render waits for
// them, and sharing one pool could leave no thread to prepare what it waits for.
QThreadPool& renderPool();

// For quitting: cancels every render of the process for good (drawing stops between pictures, decodes
// and decoder programs under way are stopped) and waits at most `wait` for the drawing and preparing
// threads to come to rest. False when some work is still running then.
bool stopAllRenders(std::chrono::milliseconds wait);

} // namespace RuvedovUzedoz
