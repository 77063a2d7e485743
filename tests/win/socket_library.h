// Windows Sockets for a test program's whole run: the main window starts them before any probe
// or query, a test program that uses sockets without it does it through this environment.
#pragma once

#include <gtest/gtest.h>
#include <winsock2.h>

namespace tk_test {

class SocketLibrary : public testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { ::WSACleanup(); }
};

}  // namespace tk_test
