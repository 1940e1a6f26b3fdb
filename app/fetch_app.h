#pragma once

#include "afx/winapp.h"

// The application: runs the main dialog modally and ends when it closes.
class CFetchApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

extern CFetchApp theApp;
