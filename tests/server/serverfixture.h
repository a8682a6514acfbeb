#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A tarnvale-server process on a free loopback port, serving a catalogue folder of its own
// in a temporary directory that goes away with the fixture.
class ServerFixture {
public:
    ServerFixture();
    ~ServerFixture();

    // Writes DIR/tarnvale/<name> (folders made as needed).
    void writeFile(const QString &relativePath, const QByteArray &content) const;
    QByteArray readFile(const QString &relativePath) const;
    QString path(const QString &relativePath) const;
    QString catalogue() const { return m_dir.path(); }
    QString database() const { return m_dir.path() + "/tarnvale.sqlite"; }

    // Starts the service; returns false (with a test failure message) when it does not come up.
    bool start();
    // SIGTERM and wait; returns the exit code, -1 when it had to be killed.
    int stop();
    void kill();
    QProcess &process() { return *m_process; }
    quint16 port() const { return m_port; }

    // Runs a moderation command on this catalogue; returns its exit code.
    int command(const QStringList &arguments, QByteArray *output = nullptr) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
};

struct RawReply {
    bool closedByServer = false; // the server closed the connection (no timeout)
    qint64 closeMs = -1;         // from sending the request to the close
    QByteArray raw;
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const; // first match, any letter case
};

// Sends the bytes on a new connection and reads until the server closes it or the time is up.
RawReply exchange(quint16 port, const QByteArray &request, int timeoutMs = 4000);

// The requests the client sends.
QByteArray clientGet(const QByteArray &target);
QByteArray clientPost(const QByteArray &body,
                      const QByteArray &contentType = "application/x-www-form-urlencoded");

// Forms stored in the database, oldest first.
struct StoredForm {
    qint64 id = 0;
    QByteArray action;
    QByteArray client;
    QByteArray state;
    QList<QPair<QByteArray, QByteArray>> fields;
};
QList<StoredForm> storedForms(const QString &databasePath);
