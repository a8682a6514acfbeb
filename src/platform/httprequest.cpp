#include "platform/httprequest.h"

#include <QSslSocket>
#include <QTcpSocket>
#include <algorithm>

namespace tarnvale::platform {

namespace {

struct Target {
    bool tls = false;
    QByteArray authority; // host, with ":port" only when the URL names one
    QString host;
    quint16 port = 80;
    QByteArray pathAndQuery;
};

bool isUnsafe(unsigned char c)
{
    return c <= 0x20 || c >= 0x7f;
}

QByteArray encodeTarget(const QByteArray &raw)
{
    QByteArray out;
    out.reserve(raw.size());
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnsafe(c)) {
            out += '%';
            out += QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<Target> parseUrl(const QString &url)
{
    const QByteArray bytes = url.toUtf8();
    Target t;
    qsizetype rest = 0;
    if (bytes.left(7).toLower() == "http://") {
        rest = 7;
    } else if (bytes.left(8).toLower() == "https://") {
        t.tls = true;
        t.port = 443;
        rest = 8;
    } else {
        return std::nullopt;
    }
    qsizetype end = rest;
    while (end < bytes.size() && bytes[end] != '/' && bytes[end] != '?' && bytes[end] != '#')
        ++end;
    t.authority = bytes.mid(rest, end - rest);
    for (const char c : t.authority) {
        if (isUnsafe(static_cast<unsigned char>(c)) || c == '@')
            return std::nullopt;
    }
    QByteArray host = t.authority;
    qsizetype colon = host.lastIndexOf(':');
    if (host.startsWith('[')) { // an IPv6 literal
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return std::nullopt;
        colon = host.indexOf(':', close);
    }
    if (colon >= 0) {
        bool ok = false;
        const uint port = host.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return std::nullopt;
        t.port = static_cast<quint16>(port);
        host.truncate(colon);
    }
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.mid(1, host.size() - 2);
    if (host.isEmpty())
        return std::nullopt;
    t.host = QString::fromUtf8(host);
    QByteArray path = bytes.mid(end);
    if (!path.startsWith('/'))
        path.prepend('/');
    t.pathAndQuery = encodeTarget(path);
    return t;
}

} // namespace

HttpRequest::HttpRequest(QObject *parent) : QObject(parent)
{
    m_stallTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, &HttpRequest::onStalled);
}

HttpRequest::~HttpRequest()
{
    close();
}

QByteArray HttpRequest::requestTarget(const QString &url)
{
    const auto target = parseUrl(url);
    return target ? target->pathAndQuery : QByteArray();
}

QByteArray HttpRequest::buildRequest(const char *method, const QString &url, const QByteArray *form)
{
    const auto target = parseUrl(url);
    if (!target)
        return {};
    QByteArray request = QByteArray(method) + ' ' + target->pathAndQuery + " HTTP/1.0\r\n";
    request += "Host: " + target->authority + "\r\n";
    request += "Accept: */*\r\n";
    request += "Accept-Language: en\r\n";
    if (form) {
        request += "Content-type: application/x-www-form-urlencoded\r\n";
        request += "Content-length: " + QByteArray::number(form->size()) + "\r\n";
    }
    request += "\r\n";
    if (form)
        request += *form;
    return request;
}

void HttpRequest::get(const QString &url)
{
    m_hasForm = false;
    m_form.clear();
    start("GET", url);
}

void HttpRequest::setFormData(const service::Form &form)
{
    m_form = service::encodeForm(form);
    m_hasForm = true;
}

void HttpRequest::post(const QString &url)
{
    start("POST", url);
}

void HttpRequest::setKeepBody(bool keep)
{
    m_keepBody = keep;
}

void HttpRequest::setStallTimeout(int milliseconds)
{
    m_stallTimeoutMs = milliseconds;
}

bool HttpRequest::isActive() const
{
    return m_socket != nullptr;
}

void HttpRequest::close()
{
    m_stallTimer.stop();
    if (QTcpSocket *socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    ++m_serial;
    m_reply = HttpReply();
    m_headerBuffer.clear();
    m_headerDone = false;
    m_anyData = false;
}

void HttpRequest::start(const char *method, const QString &url)
{
    close();
    const auto target = parseUrl(url);
    m_request = buildRequest(method, url, qstrcmp(method, "POST") == 0 ? &m_form : nullptr);
    m_reply.url = url;
    if (!target) {
        // Delivered from the event loop like every other outcome; a socket-less placeholder
        // keeps isActive() true and lets a later start() abandon it.
        auto *placeholder = new QTcpSocket(this);
        m_socket = placeholder;
        QMetaObject::invokeMethod(
            this,
            [this, placeholder] {
                if (m_socket == placeholder)
                    fail(BadUrlError);
            },
            Qt::QueuedConnection);
        return;
    }

    QTcpSocket *socket = target->tls ? new QSslSocket(this) : new QTcpSocket(this);
    m_socket = socket;
    // Bounded, so that a reply arriving faster than its handler takes it waits in the network
    // rather than in memory.
    socket->setReadBufferSize(1024 * 1024);
    connect(socket, &QAbstractSocket::readyRead, this, &HttpRequest::onReadyRead);
    connect(socket, &QAbstractSocket::disconnected, this, &HttpRequest::onDisconnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, &HttpRequest::onSocketError);
    if (auto *ssl = qobject_cast<QSslSocket *>(socket)) {
        connect(ssl, &QSslSocket::encrypted, this, &HttpRequest::onConnected);
        ssl->connectToHostEncrypted(target->host, target->port);
    } else {
        connect(socket, &QAbstractSocket::connected, this, &HttpRequest::onConnected);
        socket->connectToHost(target->host, target->port);
    }
    // Written now, sent by the socket once the connection (and TLS) is up.
    socket->write(m_request);
    m_stallTimer.start(m_stallTimeoutMs);
}

void HttpRequest::onConnected()
{
    m_socket->setProperty("established", true);
    m_stallTimer.start(m_stallTimeoutMs);
}

void HttpRequest::onReadyRead()
{
    QByteArray data = m_socket->readAll();
    if (data.isEmpty())
        return;
    m_stallTimer.start(m_stallTimeoutMs);
    m_anyData = true;
    if (m_headerDone) {
        takeBody(std::move(data));
        return;
    }
    m_headerBuffer += data;
    if (!parseHeader()) {
        if (m_headerBuffer.size() > maxHeaderBytes)
            fail(HeaderTooLargeError);
    }
}

bool HttpRequest::parseHeader()
{
    qsizetype end = m_headerBuffer.indexOf("\r\n\r\n");
    qsizetype bodyStart = end + 4;
    const qsizetype bare = m_headerBuffer.indexOf("\n\n");
    if (bare >= 0 && (end < 0 || bare < end)) {
        end = bare;
        bodyStart = bare + 2;
    }
    if (end < 0 || end > maxHeaderBytes)
        return false;

    const QList<QByteArray> lines = m_headerBuffer.left(end).split('\n');
    // The status is the second word of the status line, when that word is a number.
    const QByteArray word = lines.value(0).simplified().split(' ').value(1);
    bool ok = !word.isEmpty() &&
              std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int status = ok ? word.toInt(&ok) : 0;
    m_reply.status = ok ? status : 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon);
        const QByteArray value = line.mid(colon + 1).trimmed();
        m_reply.headers.append({name, value});
        if (name.trimmed().compare("content-length", Qt::CaseInsensitive) == 0) {
            const qint64 length = value.toLongLong(&ok);
            m_reply.contentLength = ok && length >= 0 ? length : -1;
        }
    }
    m_headerDone = true;
    QByteArray body = m_headerBuffer.mid(bodyStart);
    m_headerBuffer.clear();
    if (m_keepBody && m_reply.contentLength > 0)
        m_reply.body.reserve(qMin<qint64>(m_reply.contentLength, 64 * 1024 * 1024));
    if (!body.isEmpty())
        takeBody(std::move(body));
    return true;
}

void HttpRequest::takeBody(QByteArray piece)
{
    m_reply.bodySize += piece.size();
    if (m_keepBody)
        m_reply.body += piece;
    const qint64 total = m_reply.contentLength > 0 ? m_reply.contentLength : 0;
    emit receiveProgress(m_reply.bodySize, total, piece);
}

void HttpRequest::onDisconnected()
{
    if (!m_socket)
        return;
    // Whatever is still buffered belongs to the reply. Its progress handler may abandon this
    // request, or start another one.
    const quint64 serial = m_serial;
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (serial != m_serial)
        return;
    if (m_anyData && !m_headerDone) {
        fail(IncompleteHeaderError);
        return;
    }
    finish();
}

void HttpRequest::onSocketError()
{
    if (!m_socket)
        return;
    const QAbstractSocket::SocketError code = m_socket->error();
    if (code == QAbstractSocket::RemoteHostClosedError)
        return; // the normal end of a reply; disconnected follows
    if (!m_socket->property("established").toBool()) {
        fail(code); // no connection could be made (this includes a failed TLS handshake)
        return;
    }
    // A connection that breaks after it was made ends the reply with what arrived.
    onDisconnected();
}

void HttpRequest::onStalled()
{
    fail(StalledError);
}

void HttpRequest::fail(int code)
{
    close();
    emit error(code);
}

void HttpRequest::finish()
{
    HttpReply reply = std::move(m_reply);
    close();
    emit pageReceived(reply);
}

} // namespace tarnvale::platform
