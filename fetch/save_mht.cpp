// Format 2: the page as a web archive, made and saved by our message component.
#include "fetch/save_mht.h"

#include "afx/handles.h"
#include "afx/path_calls.h"
#include "cdo/bstr.h"
#include "cdo/com_ptr.h"
#include "cdo/message.h"
#include "fetch/batch_names.h"
#include "fetch/fetch_thread.h"

bool SaveMhtArchive(const CString& url, const CString& archivePath) {
    try {
        // Missing or undeletable: nothing to do about it here. Only the batch's first worker
        // of the name removes it (fetch/batch_names.h).
        TheBatchNames().Claim(archivePath.str(),
                              [&archivePath] { afx::DeleteFileAt(archivePath); });

        // Declared first, so that it uninitialises COM after the references below are released
        // (stream first, then message).
        afx::UniqueComApartment apartment = afx::EnterComApartment();
        cdo::ComPtr<cdo::IMessage> message;
        {
            // Driven as a client drives the platform's component, which may have to be put in
            // its running state before it is used; ours runs as soon as it exists.
            cdo::ComPtr<IUnknown> unknown;
            if (FAILED(cdo::CreateMessage(unknown.put())) || FAILED(::OleRun(unknown.get())) ||
                FAILED(unknown->QueryInterface(cdo::IID_IMessage, message.put_void())))
                return false;
        }
        {
            afx::UniqueBstr bstrUrl = cdo::BstrFromAnsi(url);
            // Credentials for a server that asks for a login: the program has none to give, so
            // a placeholder and an empty password go in, and our component ignores them.
            afx::UniqueBstr userName = cdo::BstrFromAnsi("domain\\username");
            afx::UniqueBstr password = cdo::BstrFromAnsi("");
            // Its result is not needed: a message without a page has no stream either.
            message->CreateMHTMLBody(bstrUrl.get(), cdo::cdoSuppressNone, userName.get(),
                                     password.get());
        }
        cdo::ComPtr<cdo::_Stream> stream;
        if (FAILED(message->GetStream(stream.put())) || !stream) return false;
        return SUCCEEDED(
            stream->SaveToFile(cdo::BstrFromAnsi(archivePath).get(), cdo::adSaveCreateOverWrite));
    } catch (...) {
        // A job must end normally whatever happened, so that its WM_JOB_DONE is posted.
        return false;
    }
}

void CFetchThread::SaveAsMht(CString url, CString path) {
    SaveMhtArchive(url, path);
}
