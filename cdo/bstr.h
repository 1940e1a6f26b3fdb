// BSTRs made from and read back into text of the process's ANSI code page.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace cdo {

// An owned BSTR, freed when the object goes (or earlier, by reset).
class CBstr {
public:
    // Converts with the ANSI code page; throws std::bad_alloc when no BSTR can be allocated.
    explicit CBstr(const char* ansi);
    ~CBstr() { reset(); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;

    BSTR get() const { return m_bstr; }
    void reset();

private:
    BSTR m_bstr = nullptr;
};

// The BSTR's text in the ANSI code page; a null BSTR is the empty text.
std::string NarrowFromBstr(BSTR text);

}  // namespace cdo
