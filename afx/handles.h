// Move-only owners of Windows handles: each handle is closed exactly once, by its owner,
// on every path. A kind of handle is described by traits naming its type, the value the
// API uses for "no handle" and the API's own close call.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

namespace afx {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return m_handle; }
    bool valid() const { return m_handle != Traits::Empty(); }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without closing.
    Handle release() { return std::exchange(m_handle, Traits::Empty()); }
    void reset(Handle handle = Traits::Empty()) {
        Handle old = std::exchange(m_handle, handle);
        if (old != Traits::Empty()) Traits::Close(old);
    }

private:
    Handle m_handle = Traits::Empty();
};

// CreateFile answers INVALID_HANDLE_VALUE, not null, when it fails.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

// Threads, events, mutexes, processes: null means none.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

// Memory handed out with CoTaskMemAlloc, such as the shell's item id lists.
template <typename T>
struct CoTaskMemTraits {
    using Handle = T*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle p) { ::CoTaskMemFree(p); }
};

struct BstrTraits {
    using Handle = BSTR;
    static Handle Empty() { return nullptr; }
    static void Close(Handle s) { ::SysFreeString(s); }
};

// COM entered on the current thread: the "handle" says whether the initialisation took and so
// must be balanced (S_FALSE, already initialised, too; a failure must not be).
struct ComApartmentTraits {
    using Handle = bool;
    static Handle Empty() { return false; }
    static void Close(Handle) { ::CoUninitialize(); }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
template <typename T>
using UniqueCoTaskMem = UniqueHandle<CoTaskMemTraits<T>>;
using UniqueBstr = UniqueHandle<BstrTraits>;
using UniqueComApartment = UniqueHandle<ComApartmentTraits>;

// A single-threaded apartment on this thread until the owner goes.
inline UniqueComApartment EnterComApartment() {
    return UniqueComApartment(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

}  // namespace afx
