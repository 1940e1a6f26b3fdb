// The program's own web-archive message component: a COM-shaped, in-process message object that
// fetches a page with the resources it refers to and holds it as one MHTML archive, and the
// stream through which the archive is saved. The platform's message class is not installed
// on current systems, so this one takes its place; its interfaces carry our own IIDs and are
// not binary-compatible with the platform's.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace cdo {

// {82F8AD0B-5594-4894-B9EC-54772D25C20C}
constexpr IID IID_IMessage = {
    0x82f8ad0b, 0x5594, 0x4894, {0xb9, 0xec, 0x54, 0x77, 0x2d, 0x25, 0xc2, 0x0c}};
// {507A485C-C9ED-4DA6-96CD-1DAA403602EA}
constexpr IID IID_Stream = {
    0x507a485c, 0xc9ed, 0x4da6, {0x96, 0xcd, 0x1d, 0xaa, 0x40, 0x36, 0x02, 0xea}};

// CreateMHTMLBody flags: 0 keeps every kind of referenced resource, the only mode supported.
constexpr long cdoSuppressNone = 0;
// SaveToFile options.
constexpr long adSaveCreateNotExist = 1;
constexpr long adSaveCreateOverWrite = 2;

// The page could not be fetched (no connection, a status other than 200, a body over the cap,
// not an http(s) URL): the message holds no archive.
constexpr HRESULT CDO_E_PAGE_NOT_FETCHED = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);
// GetStream on a message that holds no archive.
constexpr HRESULT CDO_E_NO_BODY = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0202);

// The archive's bytes; SaveToFile writes them whole or not at all.
struct _Stream : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SaveToFile(BSTR fileName, long options) = 0;
};

struct IMessage : IUnknown {
    // Fetches `url` and what it refers to (on a session of its own, several requests at once)
    // and builds the archive. Fails with CDO_E_PAGE_NOT_FETCHED when the page itself cannot be
    // fetched; resources that fail are left out. Returns within the page deadline plus one
    // request time-out. The user name and password are accepted and not sent: no page of ours
    // asks for authentication.
    virtual HRESULT STDMETHODCALLTYPE CreateMHTMLBody(BSTR url, long flags, BSTR userName,
                                                      BSTR password) = 0;
    // The archive as a new stream; CDO_E_NO_BODY and a null stream when there is none.
    virtual HRESULT STDMETHODCALLTYPE GetStream(_Stream** stream) = 0;
};

// Takes the place of CoCreateInstance for the message class: a new message object, returned
// through its IUnknown with one reference.
HRESULT CreateMessage(IUnknown** out);

// Objects of this component alive in the process (messages and streams): zero once every
// reference has been released.
long LiveObjectCount();

}  // namespace cdo
