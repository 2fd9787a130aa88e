// Linked into every program of the ThreadSanitizer build (top-level
// CMakeLists.txt), nowhere else.
//
// GCC 12's ThreadSanitizer intercepts clone() and treats every call as a
// fork: it runs its after-fork code for the child inside the child. Qt 6.4
// starts a QProcess through clone(CLONE_VM | CLONE_VFORK), so that child
// shares the parent's memory, and the after-fork code of a multithreaded
// process (ignore all synchronisation from now on, hoping for an exec) lands
// in the parent's own thread state. From then on the tool sees the memory
// accesses of the thread that started the process but none of its locking,
// and reports every later hand-over of that thread as a race.
//
// This definition comes before the tool's in the symbol search, so Qt's
// clone() arrives here. A clone sharing memory goes straight to the C
// library, as the tool did before it intercepted clone (clang 14's runtime):
// the child only sets up its file descriptors and execs. Any other clone
// still goes through the tool.

#include <cstdarg>
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

namespace {

using CloneFn = int (*)(int (*)(void*), void*, int, void*, ...);

CloneFn resolve(void* handle)
{
    return reinterpret_cast<CloneFn>(dlsym(handle, "clone"));
}

} // namespace

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...)
{
    va_list rest;
    va_start(rest, arg);
    pid_t* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    pid_t* childTid = va_arg(rest, pid_t*);
    va_end(rest);

    static const CloneFn libc = resolve(dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD));
    static const CloneFn intercepted = resolve(RTLD_NEXT);
    const CloneFn target = (flags & CLONE_VM) ? libc : intercepted;
    return target(fn, stack, flags, arg, parentTid, tls, childTid);
}
