#pragma once

// Qt's thread pool, QtConcurrent and queued calls order the work they hand to
// another thread with locks inside Qt itself. Qt is not built with
// ThreadSanitizer, so it cannot see that order and reports the receiving
// thread as racing with the sender. These calls state that order where our
// work changes threads; they compile to nothing in other builds.

#include <utility>

#if defined(__SANITIZE_THREAD__)
#define OVRA_THREAD_HANDOFF_ANNOTATED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define OVRA_THREAD_HANDOFF_ANNOTATED 1
#endif
#endif

#ifdef OVRA_THREAD_HANDOFF_ANNOTATED
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#endif

namespace ThreadHandoff {

// What this thread wrote so far happens before a later acquire() on addr.
inline void release([[maybe_unused]] const void *addr)
{
#ifdef OVRA_THREAD_HANDOFF_ANNOTATED
    __tsan_release(const_cast<void *>(addr));
#endif
}

inline void acquire([[maybe_unused]] const void *addr)
{
#ifdef OVRA_THREAD_HANDOFF_ANNOTATED
    __tsan_acquire(const_cast<void *>(addr));
#endif
}

// Work about to be handed to another thread (QThreadPool::start, a queued
// QMetaObject::invokeMethod): everything written before it was stored for
// the other thread, the stored copy included, is seen as written before it
// runs or goes. The order is kept per kind of work, on an address that needs
// no read of the work itself.
template <typename Work> class HandedOver
{
public:
    explicit HandedOver(Work work) : work_(std::move(work)) { release(&tag_); }
    HandedOver(const HandedOver &other) : work_(other.work_) { release(&tag_); }
    HandedOver(HandedOver &&other) : work_(std::move(other.work_)) { release(&tag_); }
    HandedOver &operator=(const HandedOver &) = delete;
    HandedOver &operator=(HandedOver &&) = delete;
    ~HandedOver() { acquire(&tag_); }

    // The work may be released on the sending thread after it ran here (a
    // queued call's last reference is dropped by whichever thread is last),
    // so what it read here happens before that too.
    void operator()() const
    {
        acquire(&tag_);
        work_();
        release(&tag_);
    }

private:
    static inline const char tag_ = 0;
    Work work_;
};

template <typename Work> auto handedOver(Work work)
{
#ifdef OVRA_THREAD_HANDOFF_ANNOTATED
    return HandedOver<Work>(std::move(work));
#else
    return work;
#endif
}

} // namespace ThreadHandoff
