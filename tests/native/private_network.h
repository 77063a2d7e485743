#pragma once

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace tk::test {

// Puts the calling thread into a network namespace of its own for the object's lifetime: only a
// loopback device, down until BringLoopbackUp. Needs root.
class PrivateNetwork {
public:
    PrivateNetwork() : m_home(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
        m_made = m_home >= 0 && ::unshare(CLONE_NEWNET) == 0;
    }
    ~PrivateNetwork() {
        if (m_made) ::setns(m_home, CLONE_NEWNET);
        if (m_home >= 0) ::close(m_home);
    }
    PrivateNetwork(const PrivateNetwork&) = delete;
    PrivateNetwork& operator=(const PrivateNetwork&) = delete;

    bool Made() const { return m_made; }

    bool BringLoopbackUp() {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        ifreq request{};
        std::strcpy(request.ifr_name, "lo");
        bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
        request.ifr_flags |= IFF_UP;
        up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
        ::close(fd);
        return up;
    }

    // Lets every group open ping sockets in this namespace (the host's setting stays as it is).
    bool OpenPingGroups() {
        std::FILE* file = std::fopen("/proc/sys/net/ipv4/ping_group_range", "w");
        if (file == nullptr) return false;
        const bool written = std::fputs("0 2147483647\n", file) >= 0;
        return std::fclose(file) == 0 && written;
    }

private:
    int m_home;
    bool m_made = false;
};

}  // namespace tk::test
