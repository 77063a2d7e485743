// The program's version and the texts of its version resources, shared by the resource scripts
// of TKAdjustTime.exe and of the stand-in TK100_Dll.dll, so that the two files and the release
// packages (scripts/package reads the numbers here) always name the same version. Macros rather
// than typed constants: the resource compiler understands nothing else. UTF-8, read by resource
// scripts that set code page 65001.
#pragma once

#define TK_VERSION_MAJOR 3
#define TK_VERSION_MINOR 4

// The version as text ("3.4"), made from the numbers above.
#define TK_VERSION_STRINGIZE2(x) #x
#define TK_VERSION_STRINGIZE(x) TK_VERSION_STRINGIZE2(x)
#define TK_VERSION_TEXT TK_VERSION_STRINGIZE(TK_VERSION_MAJOR) "." TK_VERSION_STRINGIZE(TK_VERSION_MINOR)

// The day this version was released: a PC whose clock reads earlier is plainly wrong, and a
// pass does not spread its time.
#define TK_RELEASE_YEAR 2026
#define TK_RELEASE_MONTH 12
#define TK_RELEASE_DAY 8

#define TK_PRODUCT_NAME "TK自动校时"
#define TK_LEGAL_COPYRIGHT "Copyright (C) 2026 TK自动校时 developers"

// The string block is Chinese (Simplified) in UTF-16, as the resource compiler stores every
// version string; the translation entry names the same pair so that lookups find the block.
#define TK_VERSION_BLOCK "080404B0"
#define TK_VERSION_LANGUAGE 0x0804
#define TK_VERSION_CODEPAGE 1200
