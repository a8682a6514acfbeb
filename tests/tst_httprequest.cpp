// The request object on the wire: exact bytes out, every shape of reply in.
#include "platform/httprequest.h"
#include "service/form.h"
#include "support/fakeservice.h"
#include "support/testmain.h"

#include <QSet>
#include <QSslSocket>
#include <QTcpServer>
#include <QTest>

using tarnvale::platform::HttpReply;
using tarnvale::platform::HttpRequest;

namespace {

// Records every event of one request object.
struct Events {
    explicit Events(HttpRequest &request)
    {
        QObject::connect(&request, &HttpRequest::pageReceived,
                         [this](const HttpReply &reply) { replies.append(reply); });
        QObject::connect(&request, &HttpRequest::error, [this](int code) { errors.append(code); });
        QObject::connect(&request, &HttpRequest::receiveProgress,
                         [this](qint64 received, qint64 total, const QByteArray &piece) {
                             progress.append({received, total});
                             pieces += piece;
                         });
    }
    bool waitForEnd(int timeoutMs = 5000)
    {
        return QTest::qWaitFor([this] { return !replies.isEmpty() || !errors.isEmpty(); },
                               timeoutMs);
    }
    QList<HttpReply> replies;
    QList<int> errors;
    QList<QPair<qint64, qint64>> progress;
    QByteArray pieces;
};

// A server that answers every connection with fixed bytes (or nothing) and then closes.
class RawServer : public QTcpServer {
public:
    enum When { AfterRequest, AtOnce };
    explicit RawServer(QByteArray answer, bool close = true, When when = AfterRequest)
        : m_answer(std::move(answer))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, close, when] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                socket->setParent(this);
                // Answer once the request has been read: closing with unread input would
                // reset the connection and lose the answer.
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, close, when] {
                    m_seen[socket] += socket->readAll();
                    const bool complete = when == AtOnce || m_seen[socket].contains("\r\n\r\n");
                    if (!complete || m_answered.contains(socket))
                        return;
                    m_answered.insert(socket);
                    socket->write(m_answer);
                    if (close)
                        socket->disconnectFromHost();
                });
            }
        });
    }
    QString url(const QString &path = QStringLiteral("/x")) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }

private:
    QByteArray m_answer;
    QHash<QTcpSocket *, QByteArray> m_seen;
    QSet<QTcpSocket *> m_answered;
};

} // namespace

class TestHttpRequest : public QObject {
    Q_OBJECT
private slots:
    void getSendsExactlyTheContractBytes();
    void postSendsTheEncodedForm();
    void formEncoding_data();
    void formEncoding();
    void requestTarget_data();
    void requestTarget();
    void hostCarriesThePortOnlyWhenNamed();
    void everyStatusIsDeliveredAsAReply_data();
    void everyStatusIsDeliveredAsAReply();
    void progressCarriesContentLength();
    void secondRequestAbandonsTheFirst();
    void getDropsTheFormOfAnEarlierPost();
    void failures_data();
    void failures();
    void stalledServiceEndsInAnError();
    void tlsFailureIsAnError();
    void streamingKeepsNoBody();
};

void TestHttpRequest::getSendsExactlyTheContractBytes()
{
    FakeService service;
    service.setReply("/tarnvale/pcmods2.txt", "A|B|C|D");
    HttpRequest request;
    Events events(request);
    request.get(service.baseUrl() + "/tarnvale/pcmods2.txt");
    QVERIFY(events.waitForEnd());
    QCOMPARE(service.requests.size(), 1);
    const QByteArray host = service.baseUrl().mid(7).toLatin1();
    QCOMPARE(service.requests[0], "GET /tarnvale/pcmods2.txt HTTP/1.0\r\nHost: " + host +
                                      "\r\nAccept: */*\r\nAccept-Language: en\r\n\r\n");
    QCOMPARE(events.replies.size(), 1);
    QCOMPARE(events.replies[0].url, service.baseUrl() + "/tarnvale/pcmods2.txt");
    QCOMPARE(events.replies[0].status, 200);
    QCOMPARE(events.replies[0].body, QByteArray("A|B|C|D"));
}

void TestHttpRequest::postSendsTheEncodedForm()
{
    FakeService service;
    service.setReply("/tarnvale/request.php", "Thanks");
    HttpRequest request;
    Events events(request);
    request.setFormData({{"a b", "x+y&z"}, {"line", "1\r\n2"}});
    request.post(service.baseUrl() + "/tarnvale/request.php");
    QVERIFY(events.waitForEnd());
    const QByteArray body = "a+b=x%2By%26z&line=1%0D%0A2";
    const QByteArray host = service.baseUrl().mid(7).toLatin1();
    QCOMPARE(service.requests.value(0),
             "POST /tarnvale/request.php HTTP/1.0\r\nHost: " + host +
                 "\r\nAccept: */*\r\nAccept-Language: en\r\n"
                 "Content-type: application/x-www-form-urlencoded\r\nContent-length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QCOMPARE(events.replies.value(0).body, QByteArray("Thanks"));
}

void TestHttpRequest::formEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("space and plus") << "x+y z" << QByteArray("x%2By+z");
    QTest::newRow("line break") << "a\r\nb" << QByteArray("a%0D%0Ab");
    QTest::newRow("whole escape set")
        << QStringLiteral("%&=,/\\][{}`~-_()*^$#!+")
        << QByteArray("%25%26%3D%2C%2F%5C%5D%5B%7B%7D%60%7E%2D%5F%28%29%2A%5E%24%23%21%2B");
    QTest::newRow("passes unchanged") << "a.b:c;d?e@f|g\th" << QByteArray("a.b:c;d?e@f|g\th");
    QTest::newRow("non-ASCII bytes unchanged")
        << QStringLiteral("Caf\u00e9") << QByteArray("Caf\xc3\xa9");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestHttpRequest::formEncoding()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, encoded);
    QCOMPARE(tarnvale::service::encodeFormValue(text), encoded);
}

void TestHttpRequest::requestTarget_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("plain path") << "http://h/tarnvale/pcmods2.txt"
                                << QByteArray("/tarnvale/pcmods2.txt");
    QTest::newRow("query unchanged")
        << "http://h/tarnvale/request.php?action=bugreport&version=html"
        << QByteArray("/tarnvale/request.php?action=bugreport&version=html");
    QTest::newRow("space") << "http://h/tarnvale/uploads/big al/a.zip"
                           << QByteArray("/tarnvale/uploads/big%20al/a.zip");
    QTest::newRow("CR LF cannot inject a header")
        << "http://h/u/a.zip HTTP/1.0\r\nX-Evil: 1\r\n"
        << QByteArray("/u/a.zip%20HTTP/1.0%0D%0AX-Evil:%201%0D%0A");
    QTest::newRow("other control characters")
        << QStringLiteral("http://h/a\tb\x01") << QByteArray("/a%09b%01");
    QTest::newRow("non-ASCII") << QStringLiteral("http://h/\u00e9") << QByteArray("/%C3%A9");
    QTest::newRow("percent and reserved unchanged")
        << "http://h/a%41;b|c" << QByteArray("/a%41;b|c");
    QTest::newRow("no path") << "http://h" << QByteArray("/");
}

void TestHttpRequest::requestTarget()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, target);
    QCOMPARE(HttpRequest::requestTarget(url), target);
}

void TestHttpRequest::hostCarriesThePortOnlyWhenNamed()
{
    QVERIFY(HttpRequest::buildRequest("GET", "http://mods.example/x", nullptr)
                .contains("\r\nHost: mods.example\r\n"));
    QVERIFY(HttpRequest::buildRequest("GET", "http://mods.example:8080/x", nullptr)
                .contains("\r\nHost: mods.example:8080\r\n"));
    QVERIFY(HttpRequest::buildRequest("GET", "ftp://mods.example/x", nullptr).isEmpty());
    QVERIFY(HttpRequest::buildRequest("GET", "http://bad host/x", nullptr).isEmpty());
}

void TestHttpRequest::everyStatusIsDeliveredAsAReply_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    const QByteArray page = "<html>Not Found</html>";
    QTest::newRow("404 page") << "HTTP/1.0 404 Not Found\r\nContent-Length: 22\r\n\r\n" + page
                              << 404 << page;
    QTest::newRow("redirect not followed")
        << QByteArray("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:1/\r\n\r\nmoved") << 302
        << QByteArray("moved");
    QTest::newRow("no Content-Length")
        << QByteArray("HTTP/1.0 200 OK\r\n\r\nA|B;C|D") << 200 << QByteArray("A|B;C|D");
    QTest::newRow("Content-Length does not end the reply")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nabcdef") << 200
        << QByteArray("abcdef");
    QTest::newRow("signed status is not a number")
        << QByteArray("HTTP/1.0 +200 OK\r\n\r\nx") << 0 << QByteArray("x");
    QTest::newRow("extra spaces in the status line")
        << QByteArray("HTTP/1.0  201  Created\r\n\r\nx") << 201 << QByteArray("x");
    QTest::newRow("status not a number")
        << QByteArray("HTTP/1.0 abc\r\n\r\nx") << 0 << QByteArray("x");
    QTest::newRow("bare line feeds")
        << QByteArray("HTTP/1.0 500 Oops\n\nbody") << 500 << QByteArray("body");
    QTest::newRow("close without data") << QByteArray() << 0 << QByteArray();
}

void TestHttpRequest::everyStatusIsDeliveredAsAReply()
{
    QFETCH(QByteArray, raw);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    RawServer server(raw);
    HttpRequest request;
    Events events(request);
    request.get(server.url());
    QVERIFY(events.waitForEnd());
    QCOMPARE(events.errors, QList<int>());
    QCOMPARE(events.replies.size(), 1);
    QCOMPARE(events.replies[0].status, status);
    QCOMPARE(events.replies[0].body, body);
    if (raw.isEmpty())
        QVERIFY(events.replies[0].headers.isEmpty());
}

void TestHttpRequest::progressCarriesContentLength()
{
    RawServer server("HTTP/1.0 200 OK\r\ncontent-LENGTH: 10\r\n\r\n0123456789");
    HttpRequest request;
    Events events(request);
    request.get(server.url());
    QVERIFY(events.waitForEnd());
    QVERIFY(!events.progress.isEmpty());
    QCOMPARE(events.progress.last(), (QPair<qint64, qint64>(10, 10)));
    QCOMPARE(events.pieces, QByteArray("0123456789"));
    QCOMPARE(events.replies.value(0).contentLength, 10);

    RawServer unsized("HTTP/1.0 200 OK\r\n\r\nabc");
    Events second(request);
    request.get(unsized.url());
    QVERIFY(second.waitForEnd());
    QCOMPARE(second.progress.last(), (QPair<qint64, qint64>(3, 0)));
}

void TestHttpRequest::secondRequestAbandonsTheFirst()
{
    FakeService service;
    service.setReply("/first", "one");
    service.setReply("/second", "two");
    service.hold();
    HttpRequest request;
    Events events(request);
    request.get(service.baseUrl() + "/first");
    QVERIFY(service.waitForRequests(1));
    request.get(service.baseUrl() + "/second");
    QVERIFY(service.waitForRequests(2));
    service.release();
    QVERIFY(events.waitForEnd());
    QTest::qWait(100); // nothing more may come
    QCOMPARE(events.replies.size(), 1);
    QCOMPARE(events.replies[0].url, service.baseUrl() + "/second");
    QCOMPARE(events.replies[0].body, QByteArray("two"));
    QVERIFY(events.errors.isEmpty());
}

void TestHttpRequest::getDropsTheFormOfAnEarlierPost()
{
    FakeService service;
    HttpRequest request;
    Events events(request);
    request.setFormData({{"action", "badmod"}});
    request.post(service.baseUrl() + "/tarnvale/request.php");
    QVERIFY(events.waitForEnd());
    events.replies.clear();
    request.get(service.baseUrl() + "/tarnvale/request.php");
    QVERIFY(events.waitForEnd());
    request.post(service.baseUrl() + "/tarnvale/request.php");
    QVERIFY(service.waitForRequests(3));
    QVERIFY(service.requests[0].endsWith("\r\n\r\naction=badmod"));
    QVERIFY(!service.requests[1].contains("Content-"));
    QVERIFY(service.requests[2].contains("Content-length: 0\r\n"));
}

void TestHttpRequest::failures_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("code");
    QTest::newRow("header never completes")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Le") << int(HttpRequest::IncompleteHeaderError);
    QTest::newRow("header over 64 KiB")
        << "HTTP/1.0 200 OK\r\nX-Long: " + QByteArray(70 * 1024, 'x') + "\r\n\r\nbody"
        << int(HttpRequest::HeaderTooLargeError);
}

void TestHttpRequest::failures()
{
    QFETCH(QByteArray, raw);
    QFETCH(int, code);
    RawServer server(raw);
    HttpRequest request;
    Events events(request);
    request.get(server.url());
    QVERIFY(events.waitForEnd());
    QCOMPARE(events.errors, QList<int>{code});
    QVERIFY(events.replies.isEmpty());

    // No connection at all: the socket's own code.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    Events refused(request);
    request.get(QStringLiteral("http://127.0.0.1:%1/x").arg(port));
    QVERIFY(refused.waitForEnd());
    QCOMPARE(refused.errors, QList<int>{int(QAbstractSocket::ConnectionRefusedError)});
}

void TestHttpRequest::stalledServiceEndsInAnError()
{
    RawServer silent("HTTP/1.0 200 OK\r\n\r\npart", /*close=*/false);
    HttpRequest request;
    request.setStallTimeout(300);
    Events events(request);
    request.get(silent.url());
    QVERIFY(events.waitForEnd());
    QCOMPARE(events.errors, QList<int>{int(HttpRequest::StalledError)});
    QCOMPARE(events.pieces, QByteArray("part"));
}

void TestHttpRequest::tlsFailureIsAnError()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS backend on this machine");
    // A plain HTTP server behind an https:// URL: the handshake must fail, not be ignored.
    RawServer plain("HTTP/1.0 200 OK\r\n\r\nnot encrypted", true, RawServer::AtOnce);
    HttpRequest request;
    Events events(request);
    request.get(QStringLiteral("https://127.0.0.1:%1/x").arg(plain.serverPort()));
    QVERIFY(events.waitForEnd());
    QVERIFY(events.replies.isEmpty());
    QCOMPARE(events.errors.size(), 1);
}

void TestHttpRequest::streamingKeepsNoBody()
{
    // Larger than the socket's read buffer, so it arrives in many pieces.
    QByteArray body(3 * 1024 * 1024 + 7, 'x');
    body[body.size() - 1] = 'y';
    RawServer server("HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                     "\r\n\r\n" + body);
    HttpRequest request;
    request.setKeepBody(false);
    Events events(request);
    request.get(server.url());
    QVERIFY(events.waitForEnd());
    QCOMPARE(events.pieces.size(), body.size());
    QVERIFY(events.pieces == body);
    QVERIFY(events.replies.value(0).body.isEmpty());
    QCOMPARE(events.replies.value(0).bodySize, body.size());
    QCOMPARE(events.progress.last(), (QPair<qint64, qint64>(body.size(), body.size())));
}

TARNVALE_TEST_MAIN(TestHttpRequest)
#include "tst_httprequest.moc"
