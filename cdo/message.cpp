#include "cdo/message.h"

#include <memory>
#include <new>
#include <string>

#include "cdo/archive_builder.h"
#include "cdo/archive_stream.h"
#include "cdo/bstr.h"
#include "cdo/com_object.h"

namespace cdo {
namespace {

class CMessage final : public CComObject<IMessage, IID_IMessage> {
public:
    HRESULT STDMETHODCALLTYPE CreateMHTMLBody(BSTR url, long flags, BSTR, BSTR) override {
        if (flags != cdoSuppressNone) return E_INVALIDARG;
        m_archive.reset();
        try {
            ArchiveResult result = BuildArchive(NarrowFromBstr(url));
            if (!result.pageFetched) return CDO_E_PAGE_NOT_FETCHED;
            // The archive keeps the page's share of the body budget until it is released.
            struct Held {
                std::string archive;
                std::shared_ptr<net::BodyLease> lease;
            };
            auto held = std::make_shared<Held>(Held{std::move(result.archive), result.lease});
            m_archive = std::shared_ptr<const std::string>(held, &held->archive);
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception&) {
            return E_FAIL;  // no exception may cross the interface
        }
    }

    HRESULT STDMETHODCALLTYPE GetStream(_Stream** stream) override {
        if (!stream) return E_POINTER;
        *stream = nullptr;
        if (!m_archive) return CDO_E_NO_BODY;
        return CreateArchiveStream(m_archive, stream);
    }

private:
    ~CMessage() override = default;

    std::shared_ptr<const std::string> m_archive;  // null until a page was archived
};

}  // namespace

HRESULT CreateMessage(IUnknown** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) CMessage();
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace cdo
