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
    // Finds the settings file, %APPDATA%\Brindlow\brindlow.ini (section [Brindlow]), and
    // creates its folder; call once before the first read.
    void autoFileConfig();
    // Reads a setting; a key never saved yields empty text or 0, and text that does not start
    // with a number reads as 0.
    CString getConfigStr(char* key);
    int getConfigInt(char* key);
    // Stores a setting at once, replacing the settings file whole (other keys are kept); the
    // file is never left half-written. Leading and trailing blanks of a text survive.
    void saveConfigStr(CString key, CString value);
    void saveConfigInt(CString key, int value);
    // The number in decimal digits.
    CString getStrInt(int value);
    // Modal open-file dialog for a text file, owned by the thread's active window; empty text
    // when cancelled.
    CString fileTxtOpen();
    // Non-zero only for an existing directory.
    int isPathExist(CString path);
    // The same directory with exactly one trailing backslash ('\' and '/' at the end are
    // replaced); empty text stays empty.
    CString parsePath(CString path);
    // Modal warning box owned by `owner`.
    void msgboxWarning(HWND owner, CString text);
    // Writes the bytes of `text` to `path` whole, or leaves the file there as it was; an empty
    // text writes nothing and leaves an existing file alone. Safe to call from several threads
    // at once, also on one path: the last whole write stays.
    void outTxtFile(CString text, CString path);
    // Modal About box of the product (caption "关于 Brindlow"), owned by the thread's active
    // window.
    void showAbout();

private:
    struct Impl;
    Impl* m_impl;
};
