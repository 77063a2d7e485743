// Resource IDs of the program: dialog templates, strings, icons, menu commands and controls.
// One number per name; the numbers are the ones the templates and the code rely on. Control IDs
// need only be unique within their own dialog (resources_test checks every template).
#pragma once

// Icons.
#define IDR_MAINFRAME 5

// System menu command of the main window ("about"): a multiple of 16 below 0xF000, as the
// system reserves the low four bits of WM_SYSCOMMAND values.
#define IDM_ABOUTBOX 16

// Dialog templates and strings.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_ADJUSTTIME_DIALOG 102
#define IDD_SCREEN_LIST 103
#define IDD_SCREEN_PARAM 104

// Controls of the main window (IDD_ADJUSTTIME_DIALOG).
#define IDC_START_STOP 1000
#define IDC_INTERVAL 1002
#define IDC_SETTINGS 1005
#define IDC_UNIT 1006
#define IDC_STATUS 1007
#define IDC_MANUAL 1008
#define IDC_AUTO_START 1019
#define IDC_CLOCK 1021

// Controls of the controller list window (IDD_SCREEN_LIST).
#define IDC_LIST_SCREENS 1008
#define IDC_LIST_IMPORT 1009
#define IDC_LIST_ADD 1010
#define IDC_LIST_DELETE 1011
#define IDC_LIST_MODIFY 1012
#define IDC_LIST_EXPORT 1018

// Controls of the controller parameter window (IDD_SCREEN_PARAM).
#define IDC_PARAM_ADDRESS 1003
#define IDC_PARAM_MODEL 1011
#define IDC_PARAM_COMM 1012
#define IDC_PARAM_SERIAL_PORT 1013
#define IDC_PARAM_BAUD 1014
#define IDC_PARAM_NET_PORT 1015
#define IDC_PARAM_IP 1016
#define IDC_PARAM_WIDTH 1017
#define IDC_PARAM_HEIGHT 1018
#define IDC_PARAM_COLOUR 1019

// Controls without an ID of their own (labels, frames, the about box's icon).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
