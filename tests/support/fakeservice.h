#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// An in-process catalogue service on a free loopback port. It records every request as raw
// bytes and answers by path: a scripted reply, or a 404 page. Replies can be held back and
// sent later, to test what happens while a request is in flight.
class FakeService : public QObject {
    Q_OBJECT
public:
    FakeService();

    QString baseUrl() const; // http://127.0.0.1:port, also made the client's base URL

    // An HTTP/1.0 reply with a Content-Length, the connection closed after the body.
    void setReply(const QByteArray &path, const QByteArray &body, int status = 200);
    // Exactly these bytes, then the close.
    void setRawReply(const QByteArray &path, const QByteArray &raw);
    // While held, complete requests wait unanswered; release() answers them in order.
    void hold() { m_hold = true; }
    void release();

    QList<QByteArray> requests; // raw bytes of each complete request, in arrival order
    bool waitForRequests(int count, int timeoutMs = 5000);

    static QByteArray requestPath(const QByteArray &raw); // the request target
    static QByteArray requestBody(const QByteArray &raw);

signals:
    void requestArrived(const QByteArray &raw);

private:
    void onConnection();
    void answer(QTcpSocket *socket, const QByteArray &raw);

    QTcpServer m_server;
    QHash<QByteArray, QByteArray> m_replies; // path -> raw reply
    bool m_hold = false;
    QList<QPair<QPointer<QTcpSocket>, QByteArray>> m_held;
};
