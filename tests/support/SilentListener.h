#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A loopback port that takes connections and never answers (a server that
// hangs, a firewall that swallows); with closed, a port nothing listens on.
struct SilentListener {
    int fd = -1;
    int port = 0;
    explicit SilentListener(bool closed = false)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), size) == 0 && ::listen(fd, 16) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            port = ntohs(a.sin_port);
        if (closed)
            Close();
    }
    ~SilentListener() { Close(); }
    void Close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};
