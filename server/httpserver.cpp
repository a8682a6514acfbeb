#include "httpserver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnvale::server {

namespace {

constexpr int maxRequestsPerConnection = 100;
constexpr int keepAliveSeconds = 5;
constexpr int ioTimeoutMs = 5000;
constexpr int stopCheckMs = 100;

bool waitFor(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0;
    }
}

void address(int fd, bool peer, std::string &ip, int &port)
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    const int rc = peer ? ::getpeername(fd, reinterpret_cast<sockaddr *>(&addr), &len)
                        : ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    if (rc != 0)
        return;
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (::getnameinfo(reinterpret_cast<sockaddr *>(&addr), len, host, sizeof host, service,
                      sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
        ip = host;
        port = std::atoi(service);
    }
}

// A connection as the library reads and writes it, with a read buffer: the library reads
// header lines a byte at a time.
class ConnectionStream : public httplib::Stream {
public:
    explicit ConnectionStream(int fd) : m_fd(fd) {}

    bool hasBuffered() const { return m_begin < m_end; }

    bool is_readable() const override
    {
        return hasBuffered() || waitFor(m_fd, POLLIN, ioTimeoutMs);
    }
    bool is_writable() const override { return waitFor(m_fd, POLLOUT, ioTimeoutMs); }

    ssize_t read(char *ptr, size_t size) override
    {
        if (!hasBuffered()) {
            if (!waitFor(m_fd, POLLIN, ioTimeoutMs))
                return -1;
            if (size >= sizeof m_buffer)
                return receive(ptr, size);
            const ssize_t n = receive(m_buffer, sizeof m_buffer);
            if (n <= 0)
                return n;
            m_begin = 0;
            m_end = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, m_end - m_begin);
        std::copy(m_buffer + m_begin, m_buffer + m_begin + n, ptr);
        m_begin += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        if (!is_writable())
            return -1;
        for (;;) {
            const ssize_t n = ::send(m_fd, ptr, size, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override
    {
        address(m_fd, true, ip, port);
    }
    void get_local_ip_and_port(std::string &ip, int &port) const override
    {
        address(m_fd, false, ip, port);
    }
    socket_t socket() const override { return m_fd; }

private:
    ssize_t receive(char *ptr, size_t size)
    {
        for (;;) {
            const ssize_t n = ::recv(m_fd, ptr, size, 0);
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
    }

    int m_fd;
    char m_buffer[4096];
    size_t m_begin = 0;
    size_t m_end = 0;
};

} // namespace

HttpServer::HttpServer()
{
    set_keep_alive_max_count(maxRequestsPerConnection);
    set_keep_alive_timeout(keepAliveSeconds);
    // A reply goes out as header and body in two writes; without this the second waits for
    // the client's delayed acknowledgement on a kept-alive connection.
    set_tcp_nodelay(true);
}

bool HttpServer::process_and_close_socket(socket_t sock)
{
    ConnectionStream stream(sock);
    for (int count = 0; count < maxRequestsPerConnection; ++count) {
        if (count > 0 && !stream.hasBuffered()) {
            // Idle between requests: give up after the keep-alive time or when stopping.
            bool ready = false;
            for (int waited = 0; !ready && waited < keepAliveSeconds * 1000 && is_running();
                 waited += stopCheckMs)
                ready = waitFor(sock, POLLIN, stopCheckMs);
            if (!ready)
                break;
        }
        bool wellFormed = false; // the library calls this only for a request it parsed
        bool connectionClosed = false;
        const bool ok =
            process_request(stream, count + 1 == maxRequestsPerConnection, connectionClosed,
                            [&wellFormed](httplib::Request &) { wellFormed = true; });
        if (!ok || connectionClosed || !wellFormed)
            break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return true;
}

} // namespace tarnvale::server
