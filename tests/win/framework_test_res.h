// IDs of the test-only dialog that exercises the dialog layer.
#pragma once

#define IDD_FRAMEWORK_TEST 900
#define IDC_T_FIRST 901
#define IDC_T_SECOND 902
#define IDC_T_CHECK 903
#define IDC_T_TEXT 904
#define IDC_T_GO 905
#define IDC_T_COMBO 906
#define IDC_T_COLOURED 907
#define IDC_T_LIST 908
#define IDC_T_IP 909
#define IDC_T_LISTBOX 910
#define IDC_T_PLAIN 911
