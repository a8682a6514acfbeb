#pragma once

#include "catalogue.h"
#include "store.h"

#include <cstddef>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace tarnvale::server {

// Largest form the request script takes.
inline constexpr std::size_t maxFormBytes = 64 * 1024;

// What the service answers: the catalogue's files by GET and HEAD, and the request script
// "/tarnvale/request.php" that stores reports, bug reports and submissions.
class Service {
public:
    // Throws std::runtime_error when the catalogue folder has no "tarnvale" folder.
    Service(const Catalogue &catalogue, Store &store);
    ~Service();
    Service(const Service &) = delete;
    Service &operator=(const Service &) = delete;

    // Installs the handlers and the connection policy on the server.
    void install(httplib::Server &server);

private:
    void serveFile(const httplib::Request &req, httplib::Response &res);
    void serveScriptGet(const httplib::Request &req, httplib::Response &res);
    void handlePost(const httplib::Request &req, httplib::Response &res, const std::string &body);
    bool isBanned(const std::string &address) const;

    Catalogue m_catalogue;
    Store &m_store;
    int m_rootFd = -1;     // the catalogue folder: only its index.html is served
    int m_tarnvaleFd = -1; // DIR/tarnvale: everything under /tarnvale/
};

} // namespace tarnvale::server
