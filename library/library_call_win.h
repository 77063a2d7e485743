// Windows only: calls into the controller library in either calling convention.
#pragma once

namespace tk {

// Call an export of the controller library in either calling convention: on x86 the stack is
// put back after the call whether the library removed its argument (__stdcall) or left it
// (__cdecl). On x64, where there is one convention, they are plain calls. These are the two
// shapes the library's exports have.
int CallLibraryExport(int (*function)(int), int argument);
int CallLibraryExport(int (*function)());

}  // namespace tk

#if defined(__i386__)
// The x86 thunk behind CallLibraryExport: pushes arguments[count-1] .. arguments[0], calls
// function, and restores ESP from its own frame. Declared here for the tests that check it.
extern "C" int tk_CallRestoringStack(const void* function, const int* arguments, int count);
#endif
