// CDialog: a modal dialog from a template, with its own modal loop that hands every message
// to PreTranslateMessage before the dialog manager, and a message map that routes window
// messages to member functions in the order the map declares.
#pragma once

#include <windows.h>

#include "afx/wnd.h"

class CDialog;

namespace afx {

// One routed message; exactly one of the handlers is set, the one of the handler's shape.
struct MessageMapEntry {
    UINT message;
    UINT notifyCode;  // WM_COMMAND only
    UINT id;          // WM_COMMAND only
    void (CDialog::*onVoid)();
    void (CDialog::*onTimer)(UINT_PTR);
    HCURSOR (CDialog::*onQueryDragIcon)();
    LRESULT (CDialog::*onMessage)(WPARAM, LPARAM);
};

struct MessageMap {
    const MessageMapEntry* entries;
    size_t count;
};

// Entry builders, one per handler shape the program uses.
template <class T>
MessageMapEntry OnMessage(UINT message, void (T::*f)()) {
    return {message, 0, 0, static_cast<void (CDialog::*)()>(f), nullptr, nullptr, nullptr};
}
template <class T>
MessageMapEntry OnClicked(UINT id, void (T::*f)()) {
    return {WM_COMMAND, BN_CLICKED, id,     static_cast<void (CDialog::*)()>(f),
            nullptr,    nullptr,    nullptr};
}
template <class T>
MessageMapEntry OnTimer(void (T::*f)(UINT_PTR)) {
    return {WM_TIMER, 0, 0, nullptr, static_cast<void (CDialog::*)(UINT_PTR)>(f), nullptr, nullptr};
}
template <class T>
MessageMapEntry OnQueryDragIcon(HCURSOR (T::*f)()) {
    return {WM_QUERYDRAGICON, 0, 0, nullptr, nullptr, static_cast<HCURSOR (CDialog::*)()>(f),
            nullptr};
}
template <class T>
MessageMapEntry OnMessage(UINT message, LRESULT (T::*f)(WPARAM, LPARAM)) {
    return {message,
            0,
            0,
            nullptr,
            nullptr,
            nullptr,
            static_cast<LRESULT (CDialog::*)(WPARAM, LPARAM)>(f)};
}

}  // namespace afx

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog and runs its modal loop; returns the EndDialog result, or -1 when the
    // dialog could not be created.
    INT_PTR DoModal();
    void EndDialog(int result);

    virtual BOOL PreTranslateMessage(MSG* msg);

protected:
    virtual afx::MessageMap GetMessageMap() const { return {nullptr, 0}; }
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Hands the message being handled to the dialog manager's own processing.
    LRESULT Default();
    void OnDestroy() {}

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool RouteThroughMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    UINT m_templateId;
    HWND m_hWndOwner;
    bool m_bEnded = false;
    bool m_bDefault = false;  // the current handler asked for default processing
    int m_nResult = -1;
};
