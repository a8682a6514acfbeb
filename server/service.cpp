#include "service.h"

#include "text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <httplib.h>
#include <linux/openat2.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tarnvale::server {

namespace {

constexpr char scriptPath[] = "/tarnvale/request.php";
constexpr char tarnvalePrefix[] = "/tarnvale/";
// Files up to this size are read whole; larger ones are streamed.
constexpr off_t wholeFileLimit = 1 << 20;

const char *contentType(std::string_view path)
{
    const auto dot = path.rfind('.');
    const std::string ext = dot == std::string_view::npos ? "" : toLower(path.substr(dot + 1));
    if (ext == "txt")
        return "text/plain; charset=utf-8";
    if (ext == "html" || ext == "htm")
        return "text/html; charset=utf-8";
    if (ext == "zip")
        return "application/zip";
    if (ext == "png")
        return "image/png";
    if (ext == "jpg" || ext == "jpeg")
        return "image/jpeg";
    return "application/octet-stream";
}

std::string page(std::string_view title, std::string_view bodyHtml)
{
    std::string out = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>";
    out += htmlEscape(title);
    out += "</title></head>\n<body>\n<h1>";
    out += htmlEscape(title);
    out += "</h1>\n";
    out += bodyHtml;
    out += "\n</body></html>\n";
    return out;
}

void setText(httplib::Response &res, int status, const std::string &text)
{
    res.status = status;
    res.set_content(text, "text/plain; charset=utf-8");
}

void setNotFound(httplib::Response &res)
{
    res.status = 404;
    res.set_content(page("Not Found", "<p>There is no such file in the catalogue.</p>"),
                    "text/html; charset=utf-8");
}

void setMethodNotAllowed(httplib::Response &res, const char *allow)
{
    res.set_header("Allow", allow);
    setText(res, 405, std::string("This address answers only ") + allow + ".\n");
}

// Opens a path below a folder, refusing anything that resolves outside it ("..", absolute
// symlinks, symlinks leading up and out).
int openBeneath(int dirFd, const std::string &relative)
{
    open_how how{};
    how.flags = O_RDONLY | O_CLOEXEC | O_NOCTTY;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, dirFd, relative.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS)
        return static_cast<int>(fd);
    // Kernels before 5.6: open, then check where the file really is.
    const int f = ::openat(dirFd, relative.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (f < 0)
        return -1;
    auto where = [](int d) {
        char buf[4096];
        const std::string link = "/proc/self/fd/" + std::to_string(d);
        const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
        return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    };
    const std::string base = where(dirFd) + "/";
    const std::string file = where(f);
    if (base.size() <= 1 || file.compare(0, base.size(), base) != 0) {
        ::close(f);
        errno = EXDEV;
        return -1;
    }
    return f;
}

// The part of a /tarnvale/ path below that folder, or nothing when a segment is empty, a
// dot name ("." and ".." among them) or holds a NUL byte.
std::optional<std::string> relativePath(std::string_view path)
{
    if (path.substr(0, sizeof tarnvalePrefix - 1) != tarnvalePrefix)
        return std::nullopt;
    const std::string_view rest = path.substr(sizeof tarnvalePrefix - 1);
    for (const std::string &segment : split(rest, '/')) {
        if (!isSafePathName(segment))
            return std::nullopt;
    }
    return std::string(rest);
}

std::string bugReportPage()
{
    return page("Report a Bug",
                "<p>Tell us what went wrong in Tarnvale: what you did, what you expected and "
                "what happened instead.</p>\n"
                "<form method=\"post\" action=\"/tarnvale/request.php\">\n"
                "<input type=\"hidden\" name=\"action\" value=\"bug\">\n"
                "<p><label>Tarnvale version<br><input name=\"version\" size=\"12\" "
                "value=\"2.1211\"></label></p>\n"
                "<p><label>Summary<br><input name=\"summary\" size=\"60\"></label></p>\n"
                "<p><label>What happened<br><textarea name=\"details\" rows=\"10\" "
                "cols=\"60\"></textarea></label></p>\n"
                "<p><label>Your e-mail address (optional)<br><input name=\"contact\" "
                "size=\"40\"></label></p>\n"
                "<p><input type=\"submit\" value=\"Send Bug Report\"></p>\n"
                "</form>");
}

// A name as the reply repeats it; a long one is shortened at a character boundary.
std::string quoted(const std::string &name)
{
    constexpr std::size_t longest = 120;
    if (name.size() <= longest)
        return "\"" + name + "\"";
    std::size_t cut = longest;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return "\"" + name.substr(0, cut) + "...\"";
}

} // namespace

Service::Service(const Catalogue &catalogue, Store &store) : m_catalogue(catalogue), m_store(store)
{
    m_rootFd = ::open(m_catalogue.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_rootFd >= 0)
        m_tarnvaleFd = ::openat(m_rootFd, "tarnvale", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_tarnvaleFd < 0) {
        const std::string message = m_catalogue.dir() + " is not a folder: " + std::strerror(errno);
        if (m_rootFd >= 0)
            ::close(m_rootFd);
        throw std::runtime_error(message);
    }
}

Service::~Service()
{
    ::close(m_tarnvaleFd);
    ::close(m_rootFd);
}

void Service::install(httplib::Server &server)
{
    // Forms above the limit are read and dropped by the library (status 413), which the
    // request script turns into its own answer.
    server.set_payload_max_length(maxFormBytes);

    server.set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        const bool getOrHead = req.method == "GET" || req.method == "HEAD";
        if (req.path == scriptPath) {
            if (req.method == "POST")
                return httplib::Server::HandlerResponse::Unhandled; // body read by the handler
            if (getOrHead)
                serveScriptGet(req, res);
            else
                setMethodNotAllowed(res, "GET, HEAD, POST");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (getOrHead)
            serveFile(req, res);
        else
            setMethodNotAllowed(res, "GET, HEAD");
        return httplib::Server::HandlerResponse::Handled;
    });

    server.Post(scriptPath, [this](const httplib::Request &req, httplib::Response &res,
                                   const httplib::ContentReader &reader) {
        const std::string type = req.get_header_value("Content-Type");
        std::string body;
        bool tooLarge = false;
        auto receive = [&](const char *data, std::size_t size) {
            if (body.size() + size > maxFormBytes)
                tooLarge = true;
            else
                body.append(data, size);
            return true;
        };
        // The body is always read to its end, so that the reply is not lost to a reset.
        bool read = false;
        if (req.is_multipart_form_data())
            read = reader([](const httplib::MultipartFormData &) { return true; },
                          [](const char *, std::size_t) { return true; });
        else
            read = reader(receive);
        if (!read && res.status == 413)
            tooLarge = true;
        else if (!read)
            return setText(res, 400, "The request could not be read; nothing was stored.\n");

        if (trim(toLower(type.substr(0, type.find(';')))) != "application/x-www-form-urlencoded")
            return setText(res, 415,
                           "The request script takes only forms sent as "
                           "application/x-www-form-urlencoded; nothing was stored.\n");
        if (tooLarge)
            return setText(res, 400, "The form is larger than 64 KiB; nothing was stored.\n");
        handlePost(req, res, body);
    });

    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request &,
                                                                     httplib::Response &res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 404)
            setNotFound(res);
        else if (res.status == 413)
            setText(res, 413, "The request is too large.\n");
        else if (res.status == 400)
            setText(res, 400, "The request could not be understood.\n");
        else
            setText(res, res.status, "The request failed (" + std::to_string(res.status) + ").\n");
        return httplib::Server::HandlerResponse::Handled;
    }));

    server.set_exception_handler(
        [](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
            setText(res, 500, "The service could not answer this request; please try again.\n");
        });
}

void Service::serveFile(const httplib::Request &req, httplib::Response &res)
{
    int fd = -1;
    std::string name;
    if (req.path == "/" || req.path == "/index.html") {
        name = "index.html";
        fd = openBeneath(m_rootFd, name);
    } else if (const auto relative = relativePath(req.path)) {
        name = *relative;
        fd = openBeneath(m_tarnvaleFd, name);
    }
    if (fd < 0)
        return setNotFound(res);

    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return setNotFound(res);
    }
    res.status = 200;
    const char *type = contentType(name);
    if (st.st_size <= wholeFileLimit) {
        std::string body(static_cast<std::size_t>(st.st_size), '\0');
        std::size_t got = 0;
        while (got < body.size()) {
            const ssize_t n =
                ::pread(fd, body.data() + got, body.size() - got, static_cast<off_t>(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
        body.resize(got); // a file cut short while being read is served as it was read
        res.set_content(std::move(body), type);
        return;
    }
    // Streamed; the descriptor is closed when the library releases the provider.
    auto file = std::shared_ptr<int>(new int(fd), [](int *p) {
        ::close(*p);
        delete p;
    });
    res.set_content_provider(
        static_cast<std::size_t>(st.st_size), type,
        [file](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
            char buf[65536];
            const std::size_t want = std::min(length, sizeof buf);
            const ssize_t n = ::pread(*file, buf, want, static_cast<off_t>(offset));
            if (n <= 0)
                return false;
            return sink.write(buf, static_cast<std::size_t>(n));
        });
}

void Service::serveScriptGet(const httplib::Request &req, httplib::Response &res)
{
    const std::string action = req.get_param_value("action");
    if (action == "bugreport") {
        res.status = 200;
        res.set_content(bugReportPage(), "text/html; charset=utf-8");
        return;
    }
    if (action.empty())
        return setText(res, 400, "The request has no \"action\".\n");
    setText(res, 400, quoted(printable(action)) + " is not an action of the request script.\n");
}

bool Service::isBanned(const std::string &address) const
{
    const auto list = readFile(m_catalogue.file(bannedFile));
    if (!list || list->empty())
        return false;
    for (const std::string &entry : split(*list, '|')) {
        if (equalsIgnoreCase(entry, address))
            return true;
    }
    return false;
}

void Service::handlePost(const httplib::Request &req, httplib::Response &res,
                         const std::string &body)
{
    const Fields fields = decodeForm(body);
    const std::string *action = findField(fields, "action");
    if (!action)
        return setText(res, 400, "The form has no \"action\"; nothing was stored.\n");

    const std::string *modField = findField(fields, "mod");
    const std::string mod = modField ? *modField : std::string();
    std::string reply;
    std::string contentType = "text/plain; charset=utf-8";

    if (*action == "brokenlink") {
        reply =
            "Thank you: your report of a broken link for " + quoted(mod) + " has been received.\n";
    } else if (*action == "badmod") {
        reply = "Thank you: your report of " + quoted(mod) +
                " as a broken or bad mod has been received.\n";
    } else if (*action == "getlisted") {
        if (isBanned(req.remote_addr))
            return setText(res, 403,
                           "Your address has been banned from submitting mods; nothing was "
                           "stored.\n");
        static const std::pair<const char *, const char *> listed[] = {{"modname", "mod name"},
                                                                       {"modmaker", "maker's name"},
                                                                       {"map", "map"},
                                                                       {"modlink", "link"}};
        for (const auto &[field, words] : listed) {
            const std::string *value = findField(fields, field);
            const bool required =
                std::string_view(field) == "modname" || std::string_view(field) == "modlink";
            if (required && (!value || value->empty()))
                return setText(res, 400,
                               std::string("The submission has no ") + words +
                                   "; nothing was stored.\n");
            if (value) {
                if (const auto problem = listFieldProblem(*value))
                    return setText(res, 400,
                                   std::string("The ") + words + " cannot be listed: " + *problem +
                                       ". Nothing was stored.\n");
            }
        }
        reply = "Thank you: " + quoted(*findField(fields, "modname")) +
                " has been received and will be listed once a moderator has checked it.\n";
    } else if (*action == "bug") {
        contentType = "text/html; charset=utf-8";
        const std::string *details = findField(fields, "details");
        if (!details || details->find_first_not_of(" \t\r\n") == std::string::npos) {
            res.status = 400;
            res.set_content(page("Report a Bug", "<p>Please describe the bug; nothing was "
                                                 "stored. Go back and fill in \"What "
                                                 "happened\".</p>"),
                            contentType);
            return;
        }
        reply = page("Report a Bug", "<p>Thank you: your bug report has been received.</p>");
    } else {
        return setText(res, 400,
                       quoted(printable(*action)) +
                           " is not an action of the request script; nothing was stored.\n");
    }

    try {
        m_store.add(*action, req.remote_addr, fields);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tarnvale-server: storing a %s form failed: %s\n", action->c_str(),
                     e.what());
        return setText(res, 500, "The service could not store this; please try again later.\n");
    }
    res.status = 200;
    res.set_content(reply, contentType);
}

} // namespace tarnvale::server
