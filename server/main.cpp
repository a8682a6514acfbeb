// tarnvale-server: the catalogue service and its moderation commands.
#include "catalogue.h"
#include "demo.h"
#include "httpserver.h"
#include "moderation.h"
#include "service.h"
#include "store.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <exception>
#include <httplib.h>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

using namespace tarnvale::server;

namespace {

constexpr char usage[] = R"(usage:
  tarnvale-server [serve] [--catalogue DIR] [--listen HOST:PORT] [--db FILE] [--threads N]
                  [--access-log]
      Serves the catalogue folder DIR (default ".") on HOST:PORT (default 127.0.0.1:8642;
      port 0 picks a free one). Reports go to FILE (default DIR/tarnvale.sqlite).
  tarnvale-server reports|bugs [--catalogue DIR] [--db FILE]
  tarnvale-server pending [--all] [--catalogue DIR] [--db FILE]
  tarnvale-server approve ID [--lists trial,pc,xbox,halo2,utility] [--file PATH] [--as NAME]
                  [--author NAME] [--name TEXT] [--map TEXT] [--halo-version TEXT]
                  [--link URL] [--catalogue DIR] [--db FILE]
  tarnvale-server reject ID [--reason TEXT] [--catalogue DIR] [--db FILE]
  tarnvale-server ban|unban ADDRESS [--catalogue DIR]
  tarnvale-server demo DIR [--base-url URL]
)";

Arguments parse(int argc, char **argv, int first)
{
    Arguments args;
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            args.positional.push_back(a);
            continue;
        }
        a = a.substr(2);
        const auto eq = a.find('=');
        if (eq != std::string::npos) {
            args.options[a.substr(0, eq)] = a.substr(eq + 1);
        } else if (a == "all" || a == "access-log") {
            args.options[a] = "";
        } else if (i + 1 < argc) {
            args.options[a] = argv[++i];
        } else {
            throw std::runtime_error("--" + a + " needs a value");
        }
    }
    return args;
}

int serve(const Arguments &args)
{
    const std::string listen = args.get("listen", "127.0.0.1:8642");
    const auto colon = listen.rfind(':');
    if (colon == std::string::npos)
        throw std::runtime_error("--listen takes HOST:PORT");
    std::string host = listen.substr(0, colon);
    if (host.size() > 1 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const int port = std::stoi(listen.substr(colon + 1));
    const int threads = std::stoi(args.get("threads", "8"));
    if (threads < 1)
        throw std::runtime_error("--threads takes a number above 0");

    const Catalogue catalogue(args.get("catalogue", "."));
    Store store(args.get("db", catalogue.defaultDatabase()));
    Service service(catalogue, store);

    HttpServer server;
    server.new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<std::size_t>(threads));
    };
    service.install(server);
    if (args.has("access-log")) {
        server.set_logger([](const httplib::Request &req, const httplib::Response &res) {
            std::fprintf(stderr, "%s %s %s %d\n", req.remote_addr.c_str(), req.method.c_str(),
                         req.target.c_str(), res.status);
        });
    }

    const int bound =
        port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
    if (bound < 0)
        throw std::runtime_error("cannot listen on " + listen);
    // Tests and scripts read the port from this line.
    std::printf("tarnvale-server listening on %s:%d\n", host.c_str(), bound);
    std::fflush(stdout);

    // SIGINT and SIGTERM are taken by this thread alone: it stops the server, which then
    // finishes the replies in flight before listen_after_bind() returns.
    sigset_t waitFor;
    sigemptyset(&waitFor);
    sigaddset(&waitFor, SIGINT);
    sigaddset(&waitFor, SIGTERM);
    sigaddset(&waitFor, SIGUSR1);
    std::thread signals([&server, waitFor] {
        int sig = 0;
        sigwait(&waitFor, &sig);
        server.stop();
    });
    const bool ok = server.listen_after_bind();
    pthread_kill(signals.native_handle(), SIGUSR1); // wakes it when the server ended itself
    signals.join();
    std::printf("tarnvale-server stopped\n");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::setlocale(LC_CTYPE, "C.UTF-8"); // letter case outside ASCII, for upload folders
    std::signal(SIGPIPE, SIG_IGN);       // a client that goes away must not end the service
    // Blocked before any thread exists, so that only the signal thread receives them.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);

    try {
        std::string command = "serve";
        int first = 1;
        if (argc > 1 && argv[1][0] != '-') {
            command = argv[1];
            first = 2;
        }
        const Arguments args = parse(argc, argv, first);
        if (command == "serve")
            return serve(args);
        if (command == "reports" || command == "bugs" || command == "pending")
            return listRecords(command, args);
        if (command == "approve")
            return approveSubmission(args);
        if (command == "reject")
            return rejectSubmission(args);
        if (command == "ban")
            return banAddress(args);
        if (command == "unban")
            return unbanAddress(args);
        if (command == "demo") {
            if (args.positional.size() != 1)
                throw std::runtime_error("give the folder to lay the demo catalogue out in");
            writeDemoCatalogue(args.positional.front(),
                               args.get("base-url", "http://127.0.0.1:8642"));
            std::cout << "demo catalogue written to " << args.positional.front() << "\n";
            return 0;
        }
        if (command == "help" || args.has("help")) {
            std::cout << usage;
            return 0;
        }
        std::cerr << usage;
        return 2;
    } catch (const std::exception &e) {
        std::cerr << "tarnvale-server: " << e.what() << "\n";
        return 1;
    }
}
