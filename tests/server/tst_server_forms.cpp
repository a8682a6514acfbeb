// The request script: every form stored with its exact decoded fields before the answer, bad
// input answered with a sentence and nothing stored, and nothing answered lost to a crash.
#include "serverfixture.h"

#include <QTcpSocket>
#include <QTest>
#include <QThread>

using Fields = QList<QPair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Fields)

class TestServerForms : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void storesDecodedFields_data();
    void storesDecodedFields();
    void rejectsBadForms_data();
    void rejectsBadForms();
    void bugReportPage();
    void bannedAddressCannotSubmit();
    void answeredReportsSurviveKill();
    void terminateFinishesReplyInFlight();

private:
    ServerFixture m_server;
};

void TestServerForms::initTestCase()
{
    m_server.writeFile("bannedips.txt", "203.0.113.7");
    QVERIFY(m_server.start());
}

void TestServerForms::cleanupTestCase()
{
    QCOMPARE(m_server.stop(), 0);
}

void TestServerForms::storesDecodedFields_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QByteArray>("replyMentions");

    // As the client encodes them: ":" and "." pass unchanged, "/" becomes %2F.
    QTest::newRow("broken link")
        << QByteArray("action=brokenlink&version=2.1211&mod=Mod+A%2BB+%26+C%3DD"
                      "&link=http:%2F%2F127.0.0.1:8642%2Ftarnvale%2Fuploads%2FAlice%2FModA.ZIP")
        << QByteArray("brokenlink")
        << Fields{{"action", "brokenlink"},
                  {"version", "2.1211"},
                  {"mod", "Mod A+B & C=D"},
                  {"link", "http://127.0.0.1:8642/tarnvale/uploads/Alice/ModA.ZIP"}}
        << QByteArray("Mod A+B & C=D");
    QTest::newRow("bad mod, line break and UTF-8")
        << QByteArray("action=badmod&version=2.1211&mod=Caf\xc3\xa9%0D%0ALine+2\tx")
        << QByteArray("badmod")
        << Fields{{"action", "badmod"}, {"version", "2.1211"}, {"mod", "Caf\xc3\xa9\r\nLine 2\tx"}}
        << QByteArray("Caf\xc3\xa9");
    QTest::newRow("bad mod, empty name")
        << QByteArray("action=badmod&version=2.1211&mod=") << QByteArray("badmod")
        << Fields{{"action", "badmod"}, {"version", "2.1211"}, {"mod", ""}} << QByteArray("\"\"");
    QTest::newRow("lone percent, lower-case hex, unknown field")
        << QByteArray("mod=100%+sure%2b%zz&action=badmod&extra") << QByteArray("badmod")
        << Fields{{"mod", "100% sure+%zz"}, {"action", "badmod"}, {"extra", ""}}
        << QByteArray("100% sure");
    QTest::newRow("submission")
        << QByteArray("modname=Sn\xc3\xb6wy+Gulch&modlink=http:%2F%2Fexample.com%2Fa%2Bb.zip?x=1"
                      "&modmaker=Mod+Squad&pc=True&trial=False&xbox=False&halo2=True"
                      "&utility=False&map=Hang+'Em+High&version=2.1211&action=getlisted")
        << QByteArray("getlisted")
        << Fields{{"modname", "Sn\xc3\xb6wy Gulch"},
                  {"modlink", "http://example.com/a+b.zip?x=1"},
                  {"modmaker", "Mod Squad"},
                  {"pc", "True"},
                  {"trial", "False"},
                  {"xbox", "False"},
                  {"halo2", "True"},
                  {"utility", "False"},
                  {"map", "Hang 'Em High"},
                  {"version", "2.1211"},
                  {"action", "getlisted"}}
        << QByteArray("Sn\xc3\xb6wy Gulch");
    QTest::newRow("submission, empty maker")
        << QByteArray("modname=+&modlink=C:%5Cmods%5Ca.zip&modmaker=&map=&action=getlisted")
        << QByteArray("getlisted")
        << Fields{{"modname", " "},
                  {"modlink", "C:\\mods\\a.zip"},
                  {"modmaker", ""},
                  {"map", ""},
                  {"action", "getlisted"}}
        << QByteArray("\" \"");
    QTest::newRow("bug from the page")
        << QByteArray("action=bug&version=2.1211&summary=Crash&details=It+crashed%0D%0Aat+once.")
        << QByteArray("bug")
        << Fields{{"action", "bug"},
                  {"version", "2.1211"},
                  {"summary", "Crash"},
                  {"details", "It crashed\r\nat once."}}
        << QByteArray("<html>");
}

void TestServerForms::storesDecodedFields()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, action);
    QFETCH(Fields, fields);
    QFETCH(QByteArray, replyMentions);

    const qsizetype before = storedForms(m_server.database()).size();
    const RawReply reply = exchange(m_server.port(), clientPost(body));
    QCOMPARE(reply.status, 200);
    QVERIFY2(reply.body.contains(replyMentions), reply.body.constData());
    QCOMPARE(reply.header("Content-Length"), QByteArray::number(reply.body.size()));

    // Stored before the reply went out: it is there the moment the reply is.
    const QList<StoredForm> forms = storedForms(m_server.database());
    QCOMPARE(forms.size(), before + 1);
    QCOMPARE(forms.last().action, action);
    QCOMPARE(forms.last().client, QByteArray("127.0.0.1"));
    QCOMPARE(forms.last().state, QByteArray(action == "getlisted" ? "pending" : "open"));
    QCOMPARE(forms.last().fields, fields);
}

void TestServerForms::rejectsBadForms_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("sentence");

    const QByteArray submission =
        "modname=Good&modlink=http:%2F%2Fexample.com%2Fm.zip&modmaker=Me&map=Wizard"
        "&action=getlisted";
    QTest::newRow("no action") << clientPost("version=2.1211&mod=x") << 400
                               << QByteArray("no \"action\"");
    QTest::newRow("unknown action") << clientPost("action=deleteall&mod=x") << 400
                                    << QByteArray("\"deleteall\" is not an action");
    QTest::newRow("action in the query only")
        << clientPost("mod=x").replace("request.php", "request.php?action=badmod") << 400
        << QByteArray("no \"action\"");
    QTest::newRow("over 64 KiB") << clientPost("action=badmod&mod=" + QByteArray(64 * 1024, 'x'))
                                 << 400 << QByteArray("64 KiB");
    QTest::newRow("far over 64 KiB")
        << clientPost("action=badmod&mod=" + QByteArray(2 * 1024 * 1024, 'x')) << 400
        << QByteArray("64 KiB");
    QTest::newRow("semicolon in mod name")
        << clientPost(QByteArray(submission).replace("modname=Good", "modname=Go;od")) << 400
        << QByteArray("mod name");
    QTest::newRow("bar in maker")
        << clientPost(QByteArray(submission).replace("modmaker=Me", "modmaker=M|e")) << 400
        << QByteArray("maker");
    QTest::newRow("semicolon in map")
        << clientPost(QByteArray(submission).replace("map=Wizard", "map=Wiz;ard")) << 400
        << QByteArray("map");
    QTest::newRow("bar in link") << clientPost(QByteArray(submission).replace("m.zip", "m|.zip"))
                                 << 400 << QByteArray("link");
    QTest::newRow("line break in mod name")
        << clientPost(QByteArray(submission).replace("modname=Good", "modname=Go%0D%0Aod")) << 400
        << QByteArray("mod name");
    QTest::newRow("submission without a link")
        << clientPost(
               QByteArray(submission).replace("modlink=http:%2F%2Fexample.com%2Fm.zip", "modlink="))
        << 400 << QByteArray("link");
    QTest::newRow("bug without details")
        << clientPost("action=bug&summary=x&details=+%0D%0A") << 400 << QByteArray("describe");
    QTest::newRow("plain text") << clientPost("action=badmod&mod=x", "text/plain") << 415
                                << QByteArray("application/x-www-form-urlencoded");
    QTest::newRow("no content type") << clientPost("action=badmod&mod=x", "") << 415
                                     << QByteArray("application/x-www-form-urlencoded");
    QTest::newRow("multipart")
        << clientPost("--b\r\nContent-Disposition: form-data; name=\"action\"\r\n\r\nbadmod\r\n"
                      "--b--\r\n",
                      "multipart/form-data; boundary=b")
        << 415 << QByteArray("application/x-www-form-urlencoded");
    QTest::newRow("GET without action")
        << clientGet("/tarnvale/request.php") << 400 << QByteArray("no \"action\"");
    QTest::newRow("GET of a form action") << clientGet("/tarnvale/request.php?action=badmod") << 400
                                          << QByteArray("\"badmod\" is not an action");
}

void TestServerForms::rejectsBadForms()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QByteArray, sentence);

    const qsizetype before = storedForms(m_server.database()).size();
    const RawReply reply = exchange(m_server.port(), request, 8000);
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.body.contains(sentence), reply.body.constData());
    QVERIFY(reply.closedByServer);
    QCOMPARE(storedForms(m_server.database()).size(), before);
}

void TestServerForms::bugReportPage()
{
    const RawReply reply =
        exchange(m_server.port(), clientGet("/tarnvale/request.php?action=bugreport&version=html"));
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.header("Content-Type").startsWith("text/html"));
    QVERIFY(reply.body.contains("<form method=\"post\" action=\"/tarnvale/request.php\">"));
    QVERIFY(reply.body.contains("name=\"action\" value=\"bug\""));
    QVERIFY(reply.body.contains("name=\"details\""));
}

void TestServerForms::bannedAddressCannotSubmit()
{
    const QByteArray submission = "modname=M&modlink=http:%2F%2Fe.com%2Fm.zip&action=getlisted";
    const qsizetype before = storedForms(m_server.database()).size();
    m_server.writeFile("bannedips.txt", "203.0.113.7|127.0.0.1");
    const RawReply refused = exchange(m_server.port(), clientPost(submission));
    const RawReply report = exchange(m_server.port(), clientPost("action=badmod&mod=M"));
    m_server.writeFile("bannedips.txt", "203.0.113.7");
    const RawReply accepted = exchange(m_server.port(), clientPost(submission));

    QCOMPARE(refused.status, 403);
    QVERIFY(refused.body.contains("banned"));
    QCOMPARE(report.status, 200); // reports are still welcome
    QCOMPARE(accepted.status, 200);
    const QList<StoredForm> forms = storedForms(m_server.database());
    QCOMPARE(forms.size(), before + 2);
    QCOMPARE(forms[before].action, QByteArray("badmod"));
    QCOMPARE(forms[before + 1].action, QByteArray("getlisted"));
}

void TestServerForms::answeredReportsSurviveKill()
{
    ServerFixture server;
    QVERIFY(server.start());
    constexpr int count = 30;
    for (int i = 0; i < count; ++i) {
        const RawReply reply =
            exchange(server.port(),
                     clientPost("action=badmod&version=2.1211&mod=m" + QByteArray::number(i)));
        QCOMPARE(reply.status, 200);
    }
    server.kill(); // SIGKILL: no chance to flush or close anything
    const QList<StoredForm> forms = storedForms(server.database());
    QCOMPARE(forms.size(), count);
    QCOMPARE(forms.last().fields.value(2).second, QByteArray("m29"));
}

void TestServerForms::terminateFinishesReplyInFlight()
{
    ServerFixture server;
    QVERIFY(server.start());
    const QByteArray request = clientPost("action=brokenlink&version=2.1211&mod=late&link=x");
    const qsizetype half = request.size() - 10;

    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", server.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(request.left(half));
    QVERIFY(socket.waitForBytesWritten(5000));
    QThread::msleep(200); // the server is now reading this request
    server.process().terminate();
    QThread::msleep(200);
    socket.write(request.mid(half));
    QByteArray raw;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        raw += socket.readAll();
    raw += socket.readAll();

    QVERIFY2(raw.startsWith("HTTP/1.1 200"), raw.constData());
    QVERIFY(raw.contains("\"late\""));
    QVERIFY(server.process().waitForFinished(10000));
    QCOMPARE(server.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(server.process().exitCode(), 0);
    QCOMPARE(storedForms(server.database()).size(), 1);
    // No new connection is taken once it has stopped.
    QTcpSocket after;
    after.connectToHost("127.0.0.1", server.port());
    QVERIFY(!after.waitForConnected(1000));
}

QTEST_GUILESS_MAIN(TestServerForms)
#include "tst_server_forms.moc"
