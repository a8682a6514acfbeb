#pragma once

#include "service/form.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTimer>

class QTcpSocket;

namespace tarnvale::platform {

using HeaderFields = QList<QPair<QByteArray, QByteArray>>;

// A whole reply, delivered once the service has closed the connection.
struct HttpReply {
    QString url;               // the address the request was started with
    int status = 0;            // second word of the status line; 0 when not a number or no reply
    HeaderFields headers;      // in the order received
    QByteArray body;           // empty when the request was made with keepBody off
    qint64 bodySize = 0;       // body bytes received, kept or not
    qint64 contentLength = -1; // the Content-Length the reply announced, -1 when none
};

// The project's HTTP/1.0 client: one request at a time over its own connection.
//
// It sends the request line, Host, Accept, Accept-Language and, for a POST, Content-type and
// Content-length; nothing else. A reply is complete when the service closes the connection.
// Every request that is not abandoned ends in exactly one pageReceived or one error. Starting
// a request, or close(), abandons the one in flight: no event comes from it afterwards.
class HttpRequest : public QObject {
    Q_OBJECT
public:
    // Failure codes of its own, beside the socket error codes (QAbstractSocket::SocketError).
    enum OwnError {
        StalledError = 1000,          // no byte from the service for stallTimeout
        HeaderTooLargeError = 1001,   // the header block exceeds maxHeaderBytes
        IncompleteHeaderError = 1002, // the connection ended inside the header block
        BadUrlError = 1003,           // not an http:// or https:// URL with a host
    };
    static constexpr int maxHeaderBytes = 64 * 1024;
    static constexpr int defaultStallTimeoutMs = 60 * 1000;

    explicit HttpRequest(QObject *parent = nullptr);
    ~HttpRequest() override;

    void get(const QString &url);
    // The form goes out with the next post(); a get() drops it.
    void setFormData(const service::Form &form);
    void post(const QString &url);
    void close();
    bool isActive() const;

    // Off: the body is handed out only piece by piece through receiveProgress, so that a
    // large download never sits in memory. On by default.
    void setKeepBody(bool keep);
    void setStallTimeout(int milliseconds);

    // The request target as sent: the URL's path and query, unchanged except that spaces,
    // control characters and bytes outside ASCII are percent-encoded, so that a name taken
    // from the catalogue cannot break or add to the request.
    static QByteArray requestTarget(const QString &url);
    // The whole request as it goes on the wire; empty for a URL that cannot be requested.
    static QByteArray buildRequest(const char *method, const QString &url, const QByteArray *form);

signals:
    void pageReceived(const tarnvale::platform::HttpReply &reply);
    void receiveProgress(qint64 received, qint64 total, const QByteArray &piece);
    void error(int code);

private:
    void start(const char *method, const QString &url);
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void onStalled();
    void fail(int code);
    void finish();
    bool parseHeader();
    void takeBody(QByteArray piece);

    QPointer<QTcpSocket> m_socket;
    QTimer m_stallTimer;
    int m_stallTimeoutMs = defaultStallTimeoutMs;
    bool m_keepBody = true;
    bool m_hasForm = false;
    QByteArray m_form;
    QByteArray m_request;

    // State of the request in flight.
    HttpReply m_reply;
    QByteArray m_headerBuffer;
    bool m_headerDone = false;
    bool m_anyData = false;
    quint64 m_serial = 0; // changes whenever the request in flight is dropped
};

} // namespace tarnvale::platform

Q_DECLARE_METATYPE(tarnvale::platform::HttpReply)
