// Resource ids of the About box, shared by about_box.rc and about_box.cpp.
#pragma once

#define IDD_MAVREL_ABOUT 101
#define IDC_ABOUT_ICON 1001
#define IDC_ABOUT_NAME 1002
#define IDC_ABOUT_VERSION 1003
