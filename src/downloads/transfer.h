#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>

// The download window's logic that has nothing to do with widgets: the progress figure, the
// size in kb, the checks of the file name, the streaming "<html>" test and the file that the
// body is streamed into. Byte counts are 64-bit throughout.
namespace tarnvale::download {

// The percentage shown: R and T as doubles, R divided by T, then multiplied by 100, then truncated
// toward zero. No value when the total is unknown (0 or less): the bar and the title then stay
// as they are. A ratio too large for an int is held at the largest int.
std::optional<int> progressPercent(qint64 received, qint64 total);

// The nearest whole number of kb (length / 1024). An exact half (512 + 1024 n bytes) is rounded
// up, as most people round by hand; the arithmetic is done in integers so that it stays exact
// for any 64-bit length.
qint64 kilobytes(qint64 length);

// Whether a name from the catalogue may be used as a file name inside the download folder:
// not empty, not "." or "..", no "/", "\\" or NUL, and its own QFileInfo::fileName().
bool isSafeFileName(const QString &name);

// The download folder: `dlto` resolved against the application's folder. An empty `dlto`
// names that folder itself; an absolute `dlto` (which the settings window lets a user type)
// is taken as it is.
QString resolveFolder(const QString &appFolder, const QString &dlto);

// Finds "<html>" in any letter case in a stream that arrives in pieces, also when the six
// bytes are split across two or more pieces.
class HtmlSniffer {
public:
    void feed(const char *data, qsizetype size);
    void feed(const QByteArray &piece) { feed(piece.constData(), piece.size()); }
    bool found() const { return m_found; }
    void reset();

    // The search on one buffer, without any stream state.
    static bool contains(const char *data, qsizetype size);

private:
    static constexpr int keep = 5; // bytes of the stream kept to match across a boundary
    char m_tail[keep] = {};
    int m_tailSize = 0;
    bool m_found = false;
};

// The file a download is streamed into: "<name>.part" in the download folder, renamed onto
// "<name>" only by commit(). Every failing step returns false and leaves reason() saying what
// failed, with the path and the system's reason; discard() (also run by the destructor) removes
// the temporary file. Nothing it does follows a symbolic link: the temporary file is created
// exclusively (a link at its path is removed, not followed), and the rename replaces a link
// standing at the target instead of writing through it.
class PartFile {
public:
    PartFile() = default;
    PartFile(const PartFile &) = delete;
    PartFile &operator=(const PartFile &) = delete;
    ~PartFile();

    // Creates the folder when nothing stands at its path, then creates the temporary file.
    bool open(const QString &folder, const QString &name);
    bool write(const QByteArray &piece);
    // Flushes and closes the temporary file and renames it onto the target, replacing a file
    // of that name. On failure the temporary file is removed.
    bool commit();
    void discard();

    bool isOpen() const { return m_file.isOpen(); }
    qint64 written() const { return m_written; }
    QString targetPath() const { return m_target; }
    QString partPath() const { return m_file.fileName(); }
    QString reason() const { return m_reason; }

private:
    bool failWith(const QString &what, const QString &path, const QString &why);

    QFile m_file;
    QString m_target;
    qint64 m_written = 0;
    QString m_reason;
};

} // namespace tarnvale::download
