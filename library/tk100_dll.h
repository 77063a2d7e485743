#pragma once

// The two exports of the controller library TK100_Dll.dll, imported by name at load time.
// x64 has a single calling convention; __stdcall names the one a 32-bit build would use.

#ifdef _WIN32

extern "C" {

// Sets the clock of 1-based screen n from its section of TK100_Dll_Set.ini; nonzero = set.
int __stdcall User_AdjustTime(int screenNumber);

// Rereads TK100_Dll_Set.ini; later User_AdjustTime calls use the file as it now stands.
int __stdcall User_ReloadIniFile(void);
}

#endif
