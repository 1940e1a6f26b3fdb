#include "afx/answer_socket.h"

#include <winsock2.h>
#include <windows.h>

namespace afx {
namespace {

using RecvCall = int(WSAAPI*)(SOCKET, char*, int, int);

RecvCall g_recv = nullptr;
thread_local SocketNumber t_answerSocket = kNoSocket;

int WSAAPI WatchedRecv(SOCKET socket, char* buffer, int length, int flags) {
    t_answerSocket = socket;
    return g_recv(socket, buffer, length, flags);
}

// Points the entry of `module`'s import table that calls `target` at `replacement`.
bool ReplaceImport(HMODULE module, FARPROC target, FARPROC replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return false;
    for (auto* dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        for (auto* entry = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
             entry->u1.Function != 0; ++entry) {
            if (entry->u1.Function != reinterpret_cast<ULONG_PTR>(target)) continue;
            DWORD protection = 0;
            if (!::VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, PAGE_READWRITE,
                                  &protection))
                return false;
            entry->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            ::VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, protection,
                             &protection);
            return true;
        }
    }
    return false;
}

bool InstallWatch() {
    const HMODULE wininet = ::GetModuleHandleA("wininet.dll");
    const HMODULE winsock = ::LoadLibraryA("ws2_32.dll");  // kept for the process
    if (!wininet || !winsock) return false;
    const FARPROC recv = ::GetProcAddress(winsock, "recv");
    if (!recv) return false;
    g_recv = reinterpret_cast<RecvCall>(reinterpret_cast<void*>(recv));
    return ReplaceImport(wininet, recv,
                         reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&WatchedRecv)));
}

}  // namespace

bool WatchAnswerSockets() {
    static const bool installed = InstallWatch();  // once, whichever thread comes first
    return installed;
}

void ForgetAnswerSocket() {
    t_answerSocket = kNoSocket;
}

SocketNumber AnswerSocket() {
    return t_answerSocket;
}

void AbortConnection(SocketNumber socket) {
    if (socket != kNoSocket) ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
}

}  // namespace afx
