// Windows only: the two exports of the controller library TK100_Dll.dll, imported by their
// undecorated names at load time.
//
// x64 has one calling convention. A 32-bit library may have been built with __cdecl (the caller
// removes the argument) or __stdcall (the library removes it), and an undecorated name does not
// say which. The tool therefore calls the imports only through tk::CallLibraryExport
// (library/library_call_win.h), which puts the stack back whatever the library removed. The
// declarations carry the platform's default convention, so that the import library made from
// TK100_Dll.def binds them by their bare names; only the stand-in's own build sets
// TK100_DLL_CALL, to the convention it is built with.
#pragma once

#ifndef TK100_DLL_CALL
#define TK100_DLL_CALL
#endif

extern "C" {

// Sets the clock of 1-based screen n from its section of TK100_Dll_Set.ini; nonzero = set.
int TK100_DLL_CALL User_AdjustTime(int screenNumber);

// Rereads TK100_Dll_Set.ini; later User_AdjustTime calls use the file as it now stands.
int TK100_DLL_CALL User_ReloadIniFile(void);
}
