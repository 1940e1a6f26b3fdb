#include "cdo/archive_stream.h"

#include <new>
#include <utility>

#include "cdo/atomic_file.h"
#include "cdo/live_objects.h"

namespace cdo {
namespace {

class CArchiveStream final : public _Stream {
public:
    explicit CArchiveStream(std::shared_ptr<const std::string> archive)
        : m_archive(std::move(archive)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_Stream)) {
            *out = static_cast<_Stream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = ::InterlockedDecrement(&m_refs);
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE SaveToFile(BSTR fileName, long options) override {
        if (::SysStringLen(fileName) == 0) return E_INVALIDARG;
        try {
            std::wstring path(fileName, ::SysStringLen(fileName));
            return WriteFileAtomically(path, *m_archive, (options & adSaveCreateOverWrite) != 0);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ~CArchiveStream() = default;

    LiveObject m_live;
    LONG m_refs = 1;
    std::shared_ptr<const std::string> m_archive;
};

}  // namespace

HRESULT CreateArchiveStream(std::shared_ptr<const std::string> archive, _Stream** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!archive) return E_INVALIDARG;
    *out = new (std::nothrow) CArchiveStream(std::move(archive));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace cdo
