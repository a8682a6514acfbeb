#include "downloads/transfer.h"

#include <QDir>
#include <QFileInfo>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tarnvale::download {

namespace fs = std::filesystem;

namespace {

fs::path toFs(const QString &path)
{
#ifdef Q_OS_WIN
    return fs::path(path.toStdWString());
#else
    const QByteArray bytes = QFile::encodeName(path);
    return fs::path(std::string(bytes.constData(), size_t(bytes.size())));
#endif
}

QString reasonOf(const std::error_code &ec)
{
    return QString::fromLocal8Bit(ec.message());
}

// "<html>" at p, in any letter case; p[0] is already known to be '<'. Setting bit 0x20 maps
// exactly the upper- and lower-case forms of an ASCII letter onto the lower-case one.
bool htmlAt(const char *p)
{
    return (p[1] | 0x20) == 'h' && (p[2] | 0x20) == 't' && (p[3] | 0x20) == 'm' &&
           (p[4] | 0x20) == 'l' && p[5] == '>';
}

} // namespace

std::optional<int> progressPercent(qint64 received, qint64 total)
{
    if (total <= 0)
        return std::nullopt;
    const double p = (double(received) / double(total)) * 100; // divide first, then multiply
    if (p >= double(INT_MAX))
        return INT_MAX;
    if (p <= double(INT_MIN))
        return INT_MIN;
    return int(p); // truncation toward zero
}

qint64 kilobytes(qint64 length)
{
    if (length <= 0)
        return 0;
    // Round half up: 512 bytes are 1 kb, 1535 bytes 1 kb, 1536 bytes 2 kb.
    return length / 1024 + (length % 1024 >= 512 ? 1 : 0);
}

bool isSafeFileName(const QString &name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    if (name.contains(u'/') || name.contains(u'\\') || name.contains(QChar(0)))
        return false;
    return QFileInfo(name).fileName() == name;
}

QString resolveFolder(const QString &appFolder, const QString &dlto)
{
    if (dlto.isEmpty())
        return QDir::cleanPath(appFolder);
    return QDir::cleanPath(QDir(appFolder).filePath(dlto));
}

bool HtmlSniffer::contains(const char *data, qsizetype size)
{
    const char *p = data;
    const char *const end = data + size;
    while (end - p >= 6) {
        const void *hit = std::memchr(p, '<', size_t(end - p - 5));
        if (!hit)
            return false;
        const char *q = static_cast<const char *>(hit);
        if (htmlAt(q))
            return true;
        p = q + 1;
    }
    return false;
}

void HtmlSniffer::feed(const char *data, qsizetype size)
{
    if (m_found || size <= 0)
        return;
    char joined[2 * keep];
    if (m_tailSize > 0) {
        // A match across the boundary starts in the kept tail and ends in the first bytes of
        // the piece.
        const int head = int(qMin<qsizetype>(size, keep));
        std::memcpy(joined, m_tail, size_t(m_tailSize));
        std::memcpy(joined + m_tailSize, data, size_t(head));
        if (contains(joined, m_tailSize + head)) {
            m_found = true;
            return;
        }
    }
    if (contains(data, size)) {
        m_found = true;
        return;
    }
    if (size >= keep) {
        std::memcpy(m_tail, data + size - keep, keep);
        m_tailSize = keep;
    } else {
        std::memcpy(joined, m_tail, size_t(m_tailSize));
        std::memcpy(joined + m_tailSize, data, size_t(size));
        const int all = m_tailSize + int(size);
        const int take = qMin(all, keep);
        std::memcpy(m_tail, joined + all - take, size_t(take));
        m_tailSize = take;
    }
}

void HtmlSniffer::reset()
{
    m_tailSize = 0;
    m_found = false;
}

PartFile::~PartFile()
{
    discard();
}

bool PartFile::failWith(const QString &what, const QString &path, const QString &why)
{
    discard();
    m_reason =
        QStringLiteral("Could not %1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), why);
    return false;
}

bool PartFile::open(const QString &folder, const QString &name)
{
    discard();
    m_reason.clear();
    m_written = 0;
    m_target = folder + u'/' + name;

    std::error_code ec;
    const fs::file_status status = fs::status(toFs(folder), ec);
    if (status.type() == fs::file_type::not_found) {
        fs::create_directories(toFs(folder), ec);
        if (ec)
            return failWith(QStringLiteral("create the download folder"), folder, reasonOf(ec));
    } else if (ec) {
        return failWith(QStringLiteral("use the download folder"), folder, reasonOf(ec));
    } else if (status.type() != fs::file_type::directory) {
        return failWith(QStringLiteral("use the download folder"), folder,
                        QStringLiteral("something other than a folder stands at that path"));
    }

    const QString part = m_target + QStringLiteral(".part");
    // A temporary file left by an earlier run, or a link standing at its path, goes; the link
    // itself is removed, never what it points to.
    if (fs::symlink_status(toFs(part), ec).type() != fs::file_type::not_found) {
        fs::remove(toFs(part), ec);
        if (ec)
            return failWith(QStringLiteral("replace the temporary file"), part, reasonOf(ec));
    }
    m_file.setFileName(part);
    // NewOnly creates the file exclusively (O_EXCL): it never opens through a link.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        const QString why = m_file.errorString();
        m_file.setFileName(QString()); // not ours: nothing to remove
        return failWith(QStringLiteral("create the file"), part, why);
    }
    return true;
}

bool PartFile::write(const QByteArray &piece)
{
    if (!m_file.isOpen())
        return failWith(QStringLiteral("write to"), m_file.fileName(),
                        QStringLiteral("the file is not open"));
    if (piece.isEmpty())
        return true;
    if (m_file.write(piece) != piece.size())
        return failWith(QStringLiteral("write to"), m_file.fileName(), m_file.errorString());
    m_written += piece.size();
    return true;
}

bool PartFile::commit()
{
    const QString part = m_file.fileName();
    if (!m_file.isOpen())
        return failWith(QStringLiteral("save"), part, QStringLiteral("the file is not open"));
    if (!m_file.flush())
        return failWith(QStringLiteral("write to"), part, m_file.errorString());
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return failWith(QStringLiteral("write to"), part, m_file.errorString());
    std::error_code ec;
    // rename(2) replaces an existing file, or a link, at the target atomically; a folder
    // standing there makes it fail.
    fs::rename(toFs(part), toFs(m_target), ec);
    if (ec)
        return failWith(QStringLiteral("save the file"), m_target, reasonOf(ec));
    m_file.setFileName(QString());
    return true;
}

void PartFile::discard()
{
    const QString part = m_file.fileName();
    if (m_file.isOpen())
        m_file.close();
    if (!part.isEmpty()) {
        std::error_code ec;
        fs::remove(toFs(part), ec);
        m_file.setFileName(QString());
    }
}

} // namespace tarnvale::download
