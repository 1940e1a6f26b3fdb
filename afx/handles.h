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

// Kinds whose "no handle" is null: threads, events, processes, BSTRs, COM memory.
template <typename H, auto CloseFn>
struct NullEmptyTraits {
    using Handle = H;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { CloseFn(h); }
};

// CreateFile and FindFirstFile answer INVALID_HANDLE_VALUE, not null, when they fail.
template <auto CloseFn>
struct InvalidEmptyTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseFn(h); }
};

// COM entered on the current thread: the "handle" says whether the initialisation took and so
// must be balanced (S_FALSE, already initialised, too; a failure must not be).
struct ComApartmentTraits {
    using Handle = bool;
    static Handle Empty() { return false; }
    static void Close(Handle) { ::CoUninitialize(); }
};

using UniqueFile = UniqueHandle<InvalidEmptyTraits<&::CloseHandle>>;
using UniqueFind = UniqueHandle<InvalidEmptyTraits<&::FindClose>>;
using UniqueKernelHandle = UniqueHandle<NullEmptyTraits<HANDLE, &::CloseHandle>>;
using UniqueBstr = UniqueHandle<NullEmptyTraits<BSTR, &::SysFreeString>>;
// Memory handed out with CoTaskMemAlloc, such as the shell's item id lists.
template <typename T>
using UniqueCoTaskMem = UniqueHandle<NullEmptyTraits<T*, &::CoTaskMemFree>>;
using UniqueComApartment = UniqueHandle<ComApartmentTraits>;

// A single-threaded apartment on this thread until the owner goes.
inline UniqueComApartment EnterComApartment() {
    return UniqueComApartment(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

}  // namespace afx
