#include "afx/dialog.h"

#include <new>

#include "afx/winapp.h"

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_hWndOwner(parent ? parent->m_hWnd : nullptr) {}

CDialog::~CDialog() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    HINSTANCE instance = AfxGetInstanceHandle();
    m_bEnded = false;
    m_nResult = -1;
    HWND hwnd = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(m_templateId), m_hWndOwner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) return -1;
    bool ownerDisabled = m_hWndOwner && !::EnableWindow(m_hWndOwner, FALSE);

    MSG msg;
    while (!m_bEnded) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // let an outer loop see it too
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    if (ownerDisabled) ::EnableWindow(m_hWndOwner, TRUE);
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    return m_nResult;
}

void CDialog::EndDialog(int result) {
    m_nResult = result;
    m_bEnded = true;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    // Keyboard navigation (Tab, arrows, Space, mnemonics) is the dialog manager's.
    bool keyboard = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
    if (keyboard && m_hWnd && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)))
        return ::IsDialogMessageA(m_hWnd, msg);
    return FALSE;
}

LRESULT CDialog::Default() {
    m_bDefault = true;
    return 0;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR handled = FALSE;
    try {
        handled = self->HandleMessage(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        // No exception may unwind through the system's window procedure, and the dialog must
        // live on: the action the message asked for is dropped, and the beep, which needs no
        // memory of ours, tells the user it did not happen.
        ::MessageBeep(MB_ICONHAND);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return handled;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CenterWindow();
        return OnInitDialog();
    }
    LRESULT result = 0;
    if (RouteThroughMap(message, wParam, lParam, &result)) {
        if (message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) return OnOK(), TRUE;
        if (LOWORD(wParam) == IDCANCEL) return OnCancel(), TRUE;
    }
    return FALSE;
}

bool CDialog::RouteThroughMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    afx::MessageMap map = GetMessageMap();
    for (size_t i = 0; i < map.count; ++i) {
        const afx::MessageMapEntry& entry = map.entries[i];
        if (entry.message != message) continue;
        if (message == WM_COMMAND &&
            (entry.notifyCode != HIWORD(wParam) || entry.id != LOWORD(wParam)))
            continue;
        m_bDefault = false;
        if (entry.onVoid)
            (this->*entry.onVoid)();
        else if (entry.onTimer)
            (this->*entry.onTimer)(wParam);
        else if (entry.onQueryDragIcon)
            *result = reinterpret_cast<LRESULT>((this->*entry.onQueryDragIcon)());
        else if (entry.onMessage)
            *result = (this->*entry.onMessage)(wParam, lParam);
        return !m_bDefault;
    }
    return false;
}
