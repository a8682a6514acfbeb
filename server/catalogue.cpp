#include "catalogue.h"

#include "text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace tarnvale::server {

const std::vector<Edition> &editions()
{
    static const std::vector<Edition> list = {
        {"trial", "trialmods2.txt", "trial"},
        {"pc", "pcmods2.txt", "pc"},
        {"xbox", "xboxmods2.txt", "xbox"},
        {"halo2", "xbox2mods2.txt", "halo2"},
    };
    return list;
}

const Edition *findEdition(std::string_view key)
{
    for (const Edition &e : editions()) {
        if (key == e.key)
            return &e;
    }
    return nullptr;
}

std::string Catalogue::uploadPath(std::string_view author, std::string_view fileName) const
{
    return dir() + "/uploads/" + toLower(author) + "/" + toLower(fileName);
}

namespace {

[[noreturn]] void failErrno(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void writeAll(int fd, std::string_view data, const std::string &path)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failErrno("write " + path);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

void syncDirectory(const std::string &path)
{
    const std::string dir = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::optional<std::string> readFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string out;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

void writeFileAtomic(const std::string &path, std::string_view content)
{
    const std::filesystem::path target(path);
    // A dot name: the service never serves dot files, so a reader cannot get the temporary.
    const std::string temp = (target.parent_path() / ("." + target.filename().string() + ".tmp" +
                                                      std::to_string(::getpid())))
                                 .string();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        failErrno("create " + temp);
    try {
        writeAll(fd, content, temp);
        if (::fsync(fd) != 0)
            failErrno("sync " + temp);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    ::close(fd);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        failErrno("rename to " + path);
    }
    syncDirectory(path);
}

void copyFileAtomic(const std::string &from, const std::string &to)
{
    const auto content = readFile(from);
    if (!content)
        failErrno("read " + from);
    writeFileAtomic(to, *content);
}

void makeDirectories(const std::string &path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec)
        throw std::runtime_error("create " + path + ": " + ec.message());
}

EditLock::EditLock(const Catalogue &catalogue)
{
    const std::string path = catalogue.root() + "/.tarnvale.lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        failErrno("open " + path);
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(m_fd);
            failErrno("lock " + path);
        }
    }
}

EditLock::~EditLock()
{
    ::close(m_fd); // releases the lock
}

std::optional<std::string> listFieldProblem(std::string_view value)
{
    if (value.find(';') != std::string_view::npos)
        return "\";\" separates the entries of a list";
    if (value.find('|') != std::string_view::npos)
        return "\"|\" separates the fields of a list entry";
    if (value.find_first_of("\r\n") != std::string_view::npos)
        return "a list holds no line breaks";
    return std::nullopt;
}

bool isSafePathName(std::string_view name)
{
    return !name.empty() && name.front() != '.' && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool appendEntry(std::string &list, std::string_view entry)
{
    while (!list.empty() && (list.back() == '\n' || list.back() == '\r'))
        list.pop_back();
    if (!list.empty()) {
        for (const std::string &existing : split(list, ';')) {
            if (existing == entry)
                return false;
        }
        list += ';';
    }
    list += entry;
    return true;
}

} // namespace tarnvale::server
