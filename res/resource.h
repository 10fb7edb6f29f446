// Resource ids shared by the resource scripts and the code.

// Options dialog.
#define IDD_OPTIONS 136
#define IDC_OPTIONS_WIPE_TWICE 1000
#define IDC_OPTIONS_CHECK_ERRORS 1006
#define IDC_OPTIONS_BACKGROUND 1008
#define IDC_OPTIONS_RANDOM 1009

// Main dialog and the application's images.
#define IDD_TOLVANE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_BANNER 129
#define IDI_PRODUCT_PAGE 130
#define IDI_MSG_WARNING 131
#define IDI_MSG_ERROR 132
#define IDI_MSG_INFO 133
#define IDI_MSG_QUESTION 134
#define IDI_MSG_ACTION 135
#define IDC_LINK_CURSOR 137
// The banner drawn for 150 % and 200 % scaling.
#define IDB_BANNER_150 138
#define IDB_BANNER_200 139
#define IDC_TARGET 1003
#define IDC_WIPE 1004
#define IDC_PRODUCT_PAGE 1005
#define IDC_MESSAGES 1007
#define IDC_TOTAL 1009
#define IDC_FREE 1010
#define IDC_AVAIL 1011
#define IDC_PROGRESS 1012
#define IDC_SITE 1013
#define IDC_OPTIONS 1014
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
