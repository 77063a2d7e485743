#include "library/library_call_win.h"

#if defined(__i386__)
// ESP is saved in EBP before the arguments are pushed and restored from it after the call, so
// it does not matter whether the callee returned with `ret` (cdecl) or `ret 4n` (stdcall). ESI
// holds the argument pointer; EBX, ESI, EDI and EBP are preserved by both conventions, and EAX
// carries the result back untouched.
asm(R"(
    .text
    .globl _tk_CallRestoringStack
    .def _tk_CallRestoringStack; .scl 2; .type 32; .endef
_tk_CallRestoringStack:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:
    testl %ecx, %ecx
    jle 2f
    pushl -4(%esi,%ecx,4)
    decl %ecx
    jmp 1b
2:
    call *8(%ebp)
    leal -4(%ebp), %esp
    popl %esi
    popl %ebp
    ret
)");
#endif

namespace tk {

#if defined(__i386__)

int CallLibraryExport(int (*function)(int), int argument) {
    return tk_CallRestoringStack(reinterpret_cast<const void*>(function), &argument, 1);
}

int CallLibraryExport(int (*function)()) {
    return tk_CallRestoringStack(reinterpret_cast<const void*>(function), nullptr, 0);
}

#else

int CallLibraryExport(int (*function)(int), int argument) { return function(argument); }

int CallLibraryExport(int (*function)()) { return function(); }

#endif

}  // namespace tk
