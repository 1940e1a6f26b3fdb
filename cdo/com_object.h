// IUnknown for the component's objects: one interface each, a reference count that starts at
// one, and the object deleted with its last reference.
#pragma once

#include <windows.h>

#include "cdo/live_objects.h"

namespace cdo {

template <class Interface, const IID& InterfaceId>
class CComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, InterfaceId)) {
            *out = static_cast<Interface*>(this);
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

protected:
    CComObject() = default;
    virtual ~CComObject() = default;

private:
    LiveObject m_live;
    LONG m_refs = 1;
};

}  // namespace cdo
