#include "serverfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <sqlite3.h>

ServerFixture::ServerFixture()
{
    QDir(m_dir.path()).mkpath("tarnvale/uploads");
}

ServerFixture::~ServerFixture()
{
    kill();
}

QString ServerFixture::path(const QString &relativePath) const
{
    return m_dir.path() + "/tarnvale/" + relativePath;
}

void ServerFixture::writeFile(const QString &relativePath, const QByteArray &content) const
{
    const QString file = path(relativePath);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(file));
}

QByteArray ServerFixture::readFile(const QString &relativePath) const
{
    QFile f(path(relativePath));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ServerFixture::start()
{
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(TARNVALE_SERVER_BIN, {"--catalogue", m_dir.path(), "--listen", "127.0.0.1:0"});
    if (!m_process->waitForStarted(10000)) {
        qWarning("tarnvale-server did not start: %s", qPrintable(m_process->errorString()));
        return false;
    }
    // The first line names the port it bound.
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (!out.contains('\n') && timer.elapsed() < 10000) {
        if (!m_process->waitForReadyRead(200) && m_process->state() != QProcess::Running)
            break;
        out += m_process->readAllStandardOutput();
    }
    const auto match = QRegularExpression(":(\\d+)\\n").match(QString::fromUtf8(out));
    if (!match.hasMatch()) {
        qWarning("tarnvale-server did not report its port: %s %s", out.constData(),
                 m_process->readAllStandardError().constData());
        return false;
    }
    m_port = match.captured(1).toUShort();
    return true;
}

int ServerFixture::stop()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return m_process ? m_process->exitCode() : -1;
    m_process->terminate();
    if (!m_process->waitForFinished(15000)) {
        kill();
        return -1;
    }
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

void ServerFixture::kill()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

int ServerFixture::command(const QStringList &arguments, QByteArray *output) const
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(TARNVALE_SERVER_BIN, arguments + QStringList{"--catalogue", m_dir.path()});
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray RawReply::header(const QByteArray &name) const
{
    for (const auto &[n, v] : headers) {
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

RawReply exchange(quint16 port, const QByteArray &request, int timeoutMs)
{
    RawReply reply;
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(timeoutMs))
        return reply;
    QElapsedTimer timer;
    timer.start();
    socket.write(request);
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < timeoutMs) {
        socket.waitForReadyRead(50);
        reply.raw += socket.readAll();
    }
    reply.raw += socket.readAll();
    reply.closedByServer = socket.state() != QAbstractSocket::ConnectedState;
    if (reply.closedByServer)
        reply.closeMs = timer.elapsed();

    const qsizetype end = reply.raw.indexOf("\r\n\r\n");
    if (end < 0)
        return reply;
    const QList<QByteArray> lines = reply.raw.left(end).split('\n');
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    reply.status = statusLine.value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            reply.headers.append(
                {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    reply.body = reply.raw.mid(end + 4);
    return reply;
}

QByteArray clientGet(const QByteArray &target)
{
    return "GET " + target +
           " HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept: */*\r\nAccept-Language: en\r\n\r\n";
}

QByteArray clientPost(const QByteArray &body, const QByteArray &contentType)
{
    QByteArray request = "POST /tarnvale/request.php HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept: "
                         "*/*\r\nAccept-Language: en\r\n";
    if (!contentType.isEmpty())
        request += "Content-type: " + contentType + "\r\n";
    request += "Content-length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    return request;
}

QList<StoredForm> storedForms(const QString &databasePath)
{
    QList<StoredForm> forms;
    if (!QFileInfo::exists(databasePath))
        return forms;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        qWarning("cannot open %s", qPrintable(databasePath));
        return forms;
    }
    auto bytes = [](sqlite3_stmt *s, int c) {
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(s, c)),
                          sqlite3_column_bytes(s, c));
    };
    sqlite3_stmt *q = nullptr;
    sqlite3_prepare_v2(db, "SELECT id, action, client, state FROM requests ORDER BY id", -1, &q,
                       nullptr);
    while (q && sqlite3_step(q) == SQLITE_ROW)
        forms.append({sqlite3_column_int64(q, 0), bytes(q, 1), bytes(q, 2), bytes(q, 3), {}});
    sqlite3_finalize(q);
    sqlite3_prepare_v2(db, "SELECT name, value FROM fields WHERE request = ?1 ORDER BY pos", -1, &q,
                       nullptr);
    for (StoredForm &form : forms) {
        sqlite3_reset(q);
        sqlite3_bind_int64(q, 1, form.id);
        while (sqlite3_step(q) == SQLITE_ROW)
            form.fields.append({bytes(q, 0), bytes(q, 1)});
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
    return forms;
}
