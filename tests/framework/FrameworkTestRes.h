// Ids of the test dialog used by the window-layer tests.
#define IDD_FW_TEST 100
#define IDD_FW_VISIBLE 101
#define IDC_FW_DRAWN 201
#define IDC_FW_LINK 202
#define IDC_FW_LIST 203
#define IDC_FW_THREE_STATE 204
#define IDC_FW_TWO_STATE 205
#define IDC_FW_PLAIN 206
