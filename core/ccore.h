// CCore: the service class of mavrel.dll (settings store, file chooser, message and About
// boxes, path checks, text-file output). The program calls the library only through this
// declaration.
#pragma once

#include <windows.h>

#include "afx/cstring.h"

#ifdef MAVREL_BUILD
#define MAVREL_API __declspec(dllexport)
#else
#define MAVREL_API __declspec(dllimport)
#endif

class MAVREL_API CCore {
public:
    CCore();
    ~CCore();
    CCore(const CCore&) = delete;
    CCore& operator=(const CCore&) = delete;

    // The directory of the running program, ending in a backslash.
    CString getAppPath();
    // Prepares the settings store; call once before the first read.
    void autoFileConfig();
    // Reads a setting; a key never saved yields empty text or 0.
    CString getConfigStr(char* key);
    int getConfigInt(char* key);
    // Stores a setting at once, replacing the settings file whole.
    void saveConfigStr(CString key, CString value);
    void saveConfigInt(CString key, int value);
    // The number in decimal digits.
    CString getStrInt(int value);
    // Modal open-file dialog for a text file; empty text when cancelled.
    CString fileTxtOpen();
    // Non-zero only for an existing directory.
    int isPathExist(CString path);
    // The same directory with exactly one trailing backslash.
    CString parsePath(CString path);
    // Modal warning box owned by `owner`.
    void msgboxWarning(HWND owner, CString text);
    // Writes `text` to `path` whole, or leaves no file; an empty text writes nothing.
    // Safe to call from several threads at once, each with its own path.
    void outTxtFile(CString text, CString path);
    // Modal About box of the product.
    void showAbout();

private:
    struct Impl;
    Impl* m_impl;
};
