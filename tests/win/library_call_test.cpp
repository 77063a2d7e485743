// Calls into the controller library in either calling convention. A 32-bit library may have
// been built with __cdecl or __stdcall; calling it with the wrong one leaves ESP off by the
// size of the arguments, which the compiler's stack-relative addressing then trips over.

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "library/library_call_win.h"

namespace {

int AddOne(int value) { return value + 1; }
int FortyTwo() { return 42; }

TEST(CallLibraryExport, PassesTheArgumentAndReturnsTheResult) {
    EXPECT_EQ(tk::CallLibraryExport(&AddOne, 41), 42);
    EXPECT_EQ(tk::CallLibraryExport(&AddOne, -1), 0);
    EXPECT_EQ(tk::CallLibraryExport(&FortyTwo), 42);
}

#if defined(__i386__)

// Callees in both conventions; the digits of the result show the order the arguments arrived in.
__attribute__((noinline)) int __stdcall Stdcall1(int a) { return a * 2; }
__attribute__((noinline)) int __cdecl Cdecl1(int a) { return a * 3; }
__attribute__((noinline)) int __stdcall Stdcall3(int a, int b, int c) {
    return a * 100 + b * 10 + c;
}
__attribute__((noinline)) int __cdecl Cdecl3(int a, int b, int c) { return a * 100 + b * 10 + c; }
__attribute__((noinline)) int __stdcall Stdcall0() { return 7; }
__attribute__((noinline)) int __cdecl Cdecl0() { return 8; }

}  // namespace

// How far ESP moved across one call of the thunk, or across a plain caller-cleans call of a
// one-argument function, measured in assembly so that no compiler bookkeeping can hide it.
extern "C" int tk_test_EspDriftAcrossThunk(const void* function, const int* arguments, int count);
extern "C" int tk_test_EspDriftAcrossPlainCall(const void* function, int argument);
asm(R"(
    .text
    .globl _tk_test_EspDriftAcrossThunk
_tk_test_EspDriftAcrossThunk:
    pushl %ebx
    movl %esp, %ebx
    pushl 16(%ebx)
    pushl 12(%ebx)
    pushl 8(%ebx)
    call _tk_CallRestoringStack
    addl $12, %esp
    movl %esp, %eax
    subl %ebx, %eax
    movl %ebx, %esp
    popl %ebx
    ret

    .globl _tk_test_EspDriftAcrossPlainCall
_tk_test_EspDriftAcrossPlainCall:
    pushl %ebx
    movl %esp, %ebx
    pushl 12(%ebx)
    call *8(%ebx)
    addl $4, %esp
    movl %esp, %eax
    subl %ebx, %eax
    movl %ebx, %esp
    popl %ebx
    ret
)");

namespace {

// The measurement itself can tell: a plain cdecl-style call of a __stdcall function leaves ESP
// four bytes too high, which is the fault the thunk exists for.
TEST(CallRestoringStack, PlainCallOfAStdcallFunctionMovesTheStack) {
    EXPECT_EQ(tk_test_EspDriftAcrossPlainCall(reinterpret_cast<const void*>(&Cdecl1), 5), 0);
    EXPECT_EQ(tk_test_EspDriftAcrossPlainCall(reinterpret_cast<const void*>(&Stdcall1), 5), 4);
}

TEST(CallRestoringStack, LeavesTheStackWhereItWasInBothConventions) {
    struct Case {
        const char* what;
        const void* function;
        std::vector<int> arguments;
        int result;
    };
    const Case cases[] = {
        {"stdcall, one argument", reinterpret_cast<const void*>(&Stdcall1), {21}, 42},
        {"cdecl, one argument", reinterpret_cast<const void*>(&Cdecl1), {14}, 42},
        {"stdcall, three arguments", reinterpret_cast<const void*>(&Stdcall3), {1, 2, 3}, 123},
        {"cdecl, three arguments", reinterpret_cast<const void*>(&Cdecl3), {4, 5, 6}, 456},
        {"stdcall, none", reinterpret_cast<const void*>(&Stdcall0), {}, 7},
        {"cdecl, none", reinterpret_cast<const void*>(&Cdecl0), {}, 8},
    };
    for (const Case& c : cases) {
        const int count = static_cast<int>(c.arguments.size());
        EXPECT_EQ(tk_CallRestoringStack(c.function, c.arguments.data(), count), c.result) << c.what;
        EXPECT_EQ(tk_test_EspDriftAcrossThunk(c.function, c.arguments.data(), count), 0) << c.what;
    }
}

// Through the typed overloads the tool uses, many times over: a stack that crept by four bytes
// a call would have wrecked this frame's locals long before the end.
TEST(CallRestoringStack, TypedCallsOfAStdcallExportKeepTheCallersFrame) {
    volatile int guard[4] = {11, 22, 33, 44};
    long long sum = 0;
    for (int i = 0; i < 100000; ++i) {
        sum += tk::CallLibraryExport(reinterpret_cast<int (*)(int)>(&Stdcall1), i);
    }
    EXPECT_EQ(sum, 2LL * (100000LL * 99999 / 2));
    EXPECT_EQ(guard[0] + guard[1] + guard[2] + guard[3], 110);
}

#endif

}  // namespace
