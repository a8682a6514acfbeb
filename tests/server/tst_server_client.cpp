// End to end: the client's own request object against the real service, fetching a list and
// a mod's file and posting a report and a submission that land in the database as sent.
#include "platform/httprequest.h"
#include "serverfixture.h"
#include "service/fields.h"
#include "service/form.h"
#include "service/service.h"

#include <QTest>

using tarnvale::platform::HttpReply;
using tarnvale::platform::HttpRequest;
namespace service = tarnvale::service;

namespace {

// One request on a fresh request object, waited for.
struct Outcome {
    QList<HttpReply> replies;
    QList<int> errors;
};

template <typename Start> Outcome run(Start start)
{
    Outcome outcome;
    HttpRequest request;
    QObject::connect(&request, &HttpRequest::pageReceived,
                     [&](const HttpReply &reply) { outcome.replies.append(reply); });
    QObject::connect(&request, &HttpRequest::error, [&](int code) { outcome.errors.append(code); });
    start(request);
    const bool ended = QTest::qWaitFor(
        [&] { return !outcome.replies.isEmpty() || !outcome.errors.isEmpty(); }, 10000);
    if (!ended)
        qWarning("the request neither ended nor failed");
    QTest::qWait(50); // nothing more may follow
    return outcome;
}

} // namespace

class TestServerClient : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fetchesListAndModFile();
    void missingFileIsAnErrorPage();
    void postsFormsStoredAsSent();

private:
    ServerFixture m_server;
    const QByteArray m_list = "Snowy Gulch|Mod Squad|Blood Gulch|Snowy.ZIP;Mod B|Bob|Map Two|b.zip";
    const QByteArray m_zip = QByteArrayLiteral("PK\x03\x04 snowy gulch");
};

void TestServerClient::initTestCase()
{
    m_server.writeFile("pcmods2.txt", m_list);
    m_server.writeFile("uploads/mod squad/snowy.zip", m_zip);
    QVERIFY(m_server.start());
    service::setBaseUrl("http://127.0.0.1:" + QString::number(m_server.port()));
}

void TestServerClient::cleanupTestCase()
{
    QCOMPARE(m_server.stop(), 0);
}

void TestServerClient::fetchesListAndModFile()
{
    const Outcome list = run([](HttpRequest &r) { r.get(service::url(service::pcListPath)); });
    QCOMPARE(list.errors, QList<int>());
    QCOMPARE(list.replies.size(), 1);
    QCOMPARE(list.replies[0].status, 200);
    QCOMPARE(list.replies[0].body, m_list);
    const QStringList entries = service::pieces(QString::fromUtf8(list.replies[0].body), ';');
    QCOMPARE(entries.size(), 2);

    // The download address is built from the entry and lower-cased whole, space included.
    const QString author = service::fieldString(entries[0], '|', 2);
    const QString file = service::fieldString(entries[0], '|', 4);
    const Outcome mod = run([&](HttpRequest &r) { r.get(service::downloadUrl(author, file)); });
    QCOMPARE(mod.replies.size(), 1);
    QCOMPARE(mod.replies[0].status, 200);
    QCOMPARE(mod.replies[0].body, m_zip);
    QCOMPARE(mod.replies[0].contentLength, qint64(m_zip.size()));
}

void TestServerClient::missingFileIsAnErrorPage()
{
    const Outcome mod =
        run([](HttpRequest &r) { r.get(service::downloadUrl("Nobody", "Gone.zip")); });
    QCOMPARE(mod.replies.size(), 1);
    QCOMPARE(mod.replies[0].status, 404);
    QVERIFY(mod.replies[0].body.contains("<html>"));
}

void TestServerClient::postsFormsStoredAsSent()
{
    const service::Form report = {
        {"action", "brokenlink"},
        {"version", "2.1211"},
        {"mod", "Snowy Gulch + x&y=z, (v2) 100%"},
        {"link", service::uploadAddress("Mod Squad", "Snowy.ZIP")},
    };
    const service::Form submission = {
        {"modname", QString::fromUtf8("Sn\xc3\xb6wy [Gulch] ~ v2")},
        {"modlink", "http://example.com/mods/snowy.zip?a=1&b=2"},
        {"modmaker", "Mod Squad"},
        {"pc", "True"},
        {"trial", "False"},
        {"xbox", "False"},
        {"halo2", "False"},
        {"utility", "False"},
        {"map", "Hang 'Em High"},
        {"version", "2.1211"},
        {"action", "getlisted"},
    };
    for (const service::Form &form : {report, submission}) {
        const Outcome posted = run([&](HttpRequest &r) {
            r.setFormData(form);
            r.post(service::requestScriptUrl());
        });
        QCOMPARE(posted.replies.size(), 1);
        QCOMPARE(posted.replies[0].url, service::requestScriptUrl());
        QCOMPARE(posted.replies[0].status, 200);
        QVERIFY2(posted.replies[0].body.startsWith("Thank you"), posted.replies[0].body);

        const StoredForm stored = storedForms(m_server.database()).last();
        QCOMPARE(stored.fields.size(), form.size());
        for (qsizetype i = 0; i < form.size(); ++i) {
            QCOMPARE(QString::fromUtf8(stored.fields[i].first), form[i].first);
            QCOMPARE(QString::fromUtf8(stored.fields[i].second), form[i].second);
        }
    }
}

QTEST_GUILESS_MAIN(TestServerClient)
#include "tst_server_client.moc"
