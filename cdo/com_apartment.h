// COM initialised on the current thread for the life of the object (a single-threaded
// apartment), and uninitialised when it goes, if the initialisation took.
#pragma once

#include <objbase.h>

namespace cdo {

class ComApartment {
public:
    ComApartment() : m_result(::CoInitialize(nullptr)) {}
    ~ComApartment() {
        // S_FALSE (already initialised) must be balanced too; a failure must not be.
        if (SUCCEEDED(m_result)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_result;
};

}  // namespace cdo
