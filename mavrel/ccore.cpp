#include "core/ccore.h"

#include <new>
#include <vector>

#include "afx/path_calls.h"
#include "afx/whole_file.h"
#include "mavrel/about_box.h"
#include "mavrel/decimal_text.h"
#include "mavrel/file_open_dialog.h"
#include "mavrel/path_text.h"
#include "mavrel/settings_store.h"

namespace {

// No exception may leave the library: its callers are other modules, each with its own
// runtime, through which an exception cannot unwind. A call that runs out of memory does
// nothing and answers `fallback`.
template <class Result, class Call>
Result OrOnLowMemory(Result fallback, Call call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return fallback;
    }
}

template <class Call>
void OrNothingOnLowMemory(Call call) {
    try {
        call();
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

struct CCore::Impl {
    mavrel::SettingsStore settings;

    // Callers are meant to call autoFileConfig first; a missed call still finds the file.
    mavrel::SettingsStore& Settings() {
        if (!settings.IsLocated()) settings.Locate();
        return settings;
    }
};

CCore::CCore() : m_impl(new Impl) {}

CCore::~CCore() {
    delete m_impl;
}

CString CCore::getAppPath() {
    return OrOnLowMemory(CString(), [] {
        std::vector<char> buffer(MAX_PATH);
        for (;;) {
            DWORD length =
                GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return CString();
            if (length < buffer.size())
                return CString(mavrel::FolderOf(std::string(buffer.data(), length)));
            buffer.resize(buffer.size() * 2);  // truncated: try again with more room
        }
    });
}

void CCore::autoFileConfig() {
    OrNothingOnLowMemory([this] { m_impl->settings.Locate(); });
}

CString CCore::getConfigStr(char* key) {
    if (!key) return CString();
    return OrOnLowMemory(CString(), [&] { return CString(m_impl->Settings().Read(key)); });
}

int CCore::getConfigInt(char* key) {
    if (!key) return 0;
    return OrOnLowMemory(0, [&] { return mavrel::ParseDecimal(m_impl->Settings().Read(key)); });
}

// A failed save cannot be reported: the program saves while its dialog is being destroyed.
void CCore::saveConfigStr(CString key, CString value) {
    OrNothingOnLowMemory([&] { m_impl->Settings().Write(key.str(), value.str(), true); });
}

void CCore::saveConfigInt(CString key, int value) {
    OrNothingOnLowMemory(
        [&] { m_impl->Settings().Write(key.str(), mavrel::FormatDecimal(value), false); });
}

CString CCore::getStrInt(int value) {
    return OrOnLowMemory(CString(), [&] { return CString(mavrel::FormatDecimal(value)); });
}

CString CCore::fileTxtOpen() {
    return OrOnLowMemory(CString(),
                         [] { return CString(mavrel::ChooseTextFile(GetActiveWindow())); });
}

int CCore::isPathExist(CString path) {
    if (path.IsEmpty()) return 0;
    const DWORD attributes = afx::FileAttributesAt(path);
    return (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) ? 1
                                                                                              : 0;
}

CString CCore::parsePath(CString path) {
    return OrOnLowMemory(CString(),
                         [&] { return CString(mavrel::WithOneTrailingBackslash(path.str())); });
}

void CCore::msgboxWarning(HWND owner, CString text) {
    MessageBoxA(owner, text, "Brindlow", MB_OK | MB_ICONWARNING);
}

void CCore::outTxtFile(CString text, CString path) {
    if (text.IsEmpty()) return;
    OrNothingOnLowMemory([&] {
        const std::string_view bytes(text.GetString(), static_cast<size_t>(text.GetLength()));
        // A failed write leaves the file at `path` as it was: that may be the whole file of
        // another thread writing the same name, which is not ours to delete.
        afx::WriteWholeFile(afx::WidePath(path), bytes, true);
    });
}

void CCore::showAbout() {
    mavrel::ShowAboutBox(GetActiveWindow());
}
