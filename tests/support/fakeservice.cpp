#include "support/fakeservice.h"

#include "service/service.h"

#include <QTest>

FakeService::FakeService()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, &FakeService::onConnection);
    tarnvale::service::setBaseUrl(baseUrl());
}

QString FakeService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void FakeService::setReply(const QByteArray &path, const QByteArray &body, int status)
{
    setRawReply(path, "HTTP/1.0 " + QByteArray::number(status) + " Scripted\r\n" +
                          "Content-Type: text/plain\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

void FakeService::setRawReply(const QByteArray &path, const QByteArray &raw)
{
    m_replies.insert(path, raw);
}

void FakeService::release()
{
    m_hold = false;
    const auto held = std::exchange(m_held, {});
    for (const auto &[socket, raw] : held) {
        if (socket)
            answer(socket, raw);
    }
}

bool FakeService::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return requests.size() >= count; }, timeoutMs);
}

QByteArray FakeService::requestPath(const QByteArray &raw)
{
    const QByteArray line = raw.left(raw.indexOf("\r\n"));
    return line.split(' ').value(1);
}

QByteArray FakeService::requestBody(const QByteArray &raw)
{
    const qsizetype end = raw.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : raw.mid(end + 4);
}

void FakeService::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            qint64 length = 0;
            for (const QByteArray &line : buffer->left(end).split('\n')) {
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            if (buffer->size() < end + 4 + length)
                return;
            const QByteArray raw = std::exchange(*buffer, {});
            requests.append(raw);
            emit requestArrived(raw);
            if (m_hold)
                m_held.append({socket, raw});
            else
                answer(socket, raw);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeService::answer(QTcpSocket *socket, const QByteArray &raw)
{
    QByteArray path = requestPath(raw);
    const auto reply = m_replies.find(path);
    if (reply != m_replies.end()) {
        socket->write(*reply);
    } else {
        const QByteArray page = "<html><body><h1>404 Not Found</h1></body></html>";
        socket->write("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(page.size()) + "\r\n\r\n" + page);
    }
    socket->disconnectFromHost();
}
