#pragma once

#include <httplib.h>

namespace tarnvale::server {

// The HTTP server with the connection policy the client needs. The library closes the
// connection after a reply to a well-formed HTTP/1.0 request, but after a request too
// malformed to parse it would wait for a next request on the same connection; the client
// reads each reply until the connection closes, so such a reply must be followed by a close
// too. HTTP/1.1 clients (browsers, load tools) keep their connections alive as usual.
class HttpServer : public httplib::Server {
public:
    HttpServer();

protected:
    bool process_and_close_socket(socket_t sock) override;
};

} // namespace tarnvale::server
