// Linked into every program of the ThreadSanitizer build (top-level
// CMakeLists.txt), nowhere else.
//
// Qt 6.4's raster painting, image conversion and smooth scaling split a large
// image into segments, start one function per segment on
// QThreadPool::globalInstance() and wait for them on a QSemaphore:
//
//     for each segment: pool->start([&] { work(segment); semaphore.release(1); });
//     semaphore.acquire(segments);
//
// The pool's queue and the semaphore are futexes inside libQt6Core, which is
// not instrumented, so the tool sees the task made on the painting thread and
// freed on the pooled thread, and the pixels written there and read after the
// wait, but never the hand-over between them: every such paint was reported
// as a race, with both accesses inside Qt.
//
// This definition comes before Qt's in the symbol search. A function that
// libQt6Gui starts here runs at once on the calling thread, which then finds
// its semaphore already released: the same work in the same order as far as
// the caller can tell, now on one thread the tool follows. A function started
// from anywhere else (our own code, should it ever use the pool) goes to Qt's
// pool as before, so nothing of ours is taken out of the tool's sight.

#include <QThreadPool>
#include <dlfcn.h>
#include <functional>
#include <utility>

namespace {

using StartFn = void (*)(QThreadPool*, std::function<void()>, int);

bool calledFromQtGui(const void* returnAddress)
{
    Dl_info info{};
    if (dladdr(returnAddress, &info) == 0 || info.dli_fname == nullptr)
        return false;
    static const void* const guiBase = [] {
        Dl_info gui{};
        // Any function of libQt6Gui names the library's load address.
        void* handle = dlopen("libQt6Gui.so.6", RTLD_NOW | RTLD_NOLOAD);
        void* symbol = handle ? dlsym(handle, "_ZN6QImageC1Ev") : nullptr;
        return (symbol && dladdr(symbol, &gui)) ? gui.dli_fbase : nullptr;
    }();
    return guiBase != nullptr && info.dli_fbase == guiBase;
}

} // namespace

void QThreadPool::start(std::function<void()> functionToRun, int priority)
{
    if (calledFromQtGui(__builtin_return_address(0))) {
        functionToRun();
        return;
    }
    static const auto qt =
        reinterpret_cast<StartFn>(dlsym(RTLD_NEXT, "_ZN11QThreadPool5startESt8functionIFvvEEi"));
    qt(this, std::move(functionToRun), priority);
}
