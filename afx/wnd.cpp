#include "afx/wnd.h"

CString CWnd::GetWindowText() const {
    CString text;
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length > 0) {
        int copied = ::GetWindowTextA(m_hWnd, text.GetBuffer(length + 1), length + 1);
        text.ReleaseBuffer(copied > 0 ? copied : 0);
    }
    return text;
}

void CWnd::CenterWindow() {
    RECT window, area;
    if (!::GetWindowRect(m_hWnd, &window)) return;
    HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoA(monitor, &info)) {
        area = info.rcWork;
    } else if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
        return;
    }
    int width = window.right - window.left, height = window.bottom - window.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
