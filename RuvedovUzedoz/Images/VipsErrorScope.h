#pragma once

namespace RuvedovUzedoz {

// libvips keeps one buffer of error messages for the whole process, which every thread writes to and
// clears, so a failure's reason read from it may be another decode's. Work that may write to it runs in
// a shared scope, any number of threads at once; a failed decode is done again in the exclusive scope,
// where no other thread runs libvips, and its reason is read there. Scopes on one thread nest: an inner
// one is part of the outer one.
class VipsErrorScope {
public:
    enum class Mode { Shared, Exclusive };

    explicit VipsErrorScope(Mode mode);
    ~VipsErrorScope();
    VipsErrorScope(const VipsErrorScope&) = delete;
    VipsErrorScope& operator=(const VipsErrorScope&) = delete;

    // Whether this thread is inside a scope of either mode.
    static bool isHeld();

    // Leaves a shared scope while this thread waits on others (the decode budget, another process), so
    // that a waiting exclusive scope is never held up by a wait; an exclusive scope is kept.
    class Pause {
    public:
        Pause();
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        bool m_paused = false;
    };

private:
    bool m_outermost = false;
};

} // namespace RuvedovUzedoz
