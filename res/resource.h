// Resource ids of the program.
#pragma once

#define IDD_MAIN 102
#define IDR_MAINFRAME 128

#define IDC_RUN 1003
#define IDC_IMPORT 1005
#define IDC_STATUS 1008
#define IDC_THREADS 1010
#define IDC_OUTDIR 1012
#define IDC_BROWSE 1013
#define IDC_ABOUT 1015
#define IDC_FMT_HTML 1016
#define IDC_FMT_MHT 1017

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
