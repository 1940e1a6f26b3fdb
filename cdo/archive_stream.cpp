#include "cdo/archive_stream.h"

#include <new>
#include <utility>

#include "afx/whole_file.h"
#include "cdo/com_object.h"

namespace cdo {
namespace {

class CArchiveStream final : public CComObject<_Stream, IID_Stream> {
public:
    explicit CArchiveStream(std::shared_ptr<const std::string> archive)
        : m_archive(std::move(archive)) {}

    HRESULT STDMETHODCALLTYPE SaveToFile(BSTR fileName, long options) override {
        if (::SysStringLen(fileName) == 0) return E_INVALIDARG;
        try {
            std::wstring path(fileName, ::SysStringLen(fileName));
            return afx::WriteWholeFile(path, *m_archive, (options & adSaveCreateOverWrite) != 0);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ~CArchiveStream() override = default;

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
