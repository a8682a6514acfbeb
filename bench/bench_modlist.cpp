// How fast a large mod list reaches the screen, and what it costs in memory.
//
//   bench_modlist [entries]        run all three measurements, each in a process of its own
//
// (a) floor: one memchr pass over the body for ";"  (median of 7)
// (b) naive: one QTreeWidgetItem per row, three strings each
// (c) tarnvale: the main window's reply handler, then the list painted once  (median of 7)
#include "app/application.h"
#include "app/instance.h"
#include "catalogue/mainwindow.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Current and peak resident memory in KiB, from the kernel's accounting of this process.
long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// Starts the peak over from the present, so that making the list is not counted.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Entries of realistic lengths: about 60 bytes each.
QByteArray makeList(int entries)
{
    static const char *const maps[] = {"Blood Gulch",  "Sidewinder",    "Hang 'Em High",
                                       "Derelict",     "Danger Canyon", "Infinity",
                                       "Death Island", "Ice Fields"};
    QByteArray body;
    body.reserve(qsizetype(entries) * 64);
    for (int i = 0; i < entries; ++i) {
        if (i)
            body += ';';
        body += "Warthog Jump Pack " + QByteArray::number(i) + '|';
        body += "Author" + QByteArray::number(i % 5000) + '|';
        body += maps[i % 8];
        body += "|warthogjump" + QByteArray::number(i) + ".zip";
    }
    return body;
}

// Opens nothing and asks nothing: the benchmark runs unattended.
struct QuietPlatform : tarnvale::platform::Browser,
                       tarnvale::platform::Dialogs,
                       tarnvale::platform::Sound {
    void openUrl(const QString &) override {}
    void message(QWidget *, const QString &) override {}
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    void beep() override {}
};

constexpr int repeats = 7;

double median(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double run(const QString &mode, const QByteArray &body)
{
    QElapsedTimer timer;
    if (mode == QLatin1String("floor")) {
        QList<double> samples;
        for (int r = 0; r < repeats; ++r) {
            timer.start();
            qsizetype count = 0;
            const char *p = body.constData();
            const char *end = p + body.size();
            while (const void *hit = std::memchr(p, ';', size_t(end - p))) {
                p = static_cast<const char *>(hit) + 1;
                ++count;
            }
            samples.append(timer.nsecsElapsed() / 1e6);
            if (count != body.count(';'))
                return -1;
        }
        return median(samples);
    }
    if (mode == QLatin1String("naive")) {
        QTreeWidget tree;
        tree.setColumnCount(3);
        tree.setUniformRowHeights(true);
        tree.resize(414, 201);
        tree.show();
        timer.start();
        const QString text = QString::fromUtf8(body);
        QList<QTreeWidgetItem *> items;
        for (const QString &entry : text.split(u';')) {
            const QStringList fields = entry.split(u'|');
            items.append(new QTreeWidgetItem(
                QStringList{fields.value(0), fields.value(1), fields.value(2)}));
        }
        tree.addTopLevelItems(items);
        tree.viewport()->repaint();
        return timer.nsecsElapsed() / 1e6;
    }
    QuietPlatform quiet;
    tarnvale::platform::install(&quiet, &quiet, &quiet, nullptr);
    tarnvale::main *window = tarnvale::instance::main();
    tarnvale::platform::HttpReply reply;
    reply.url = QStringLiteral("http://127.0.0.1:8642/tarnvale/pcmods2.txt");
    reply.status = 200;
    reply.body = body;
    reply.bodySize = body.size();
    QList<double> samples;
    for (int r = 0; r < repeats; ++r) {
        timer.start();
        window->socket_PageReceived(reply);
        window->mods->viewport()->repaint();
        samples.append(timer.nsecsElapsed() / 1e6);
        if (window->mods->model()->rowCount() != body.count(';') + 1)
            return -1;
    }
    return median(samples);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tarnvale::Application app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("--mode")) {
        const int entries = args.value(3, QStringLiteral("1000000")).toInt();
        QByteArray body = makeList(entries);
        const long before = statusKiB("VmRSS:");
        resetPeak();
        const double ms = run(args[2], body);
        std::printf("%s %.1f %ld %ld %lld\n", qPrintable(args[2]), ms, before, statusKiB("VmHWM:"),
                    static_cast<long long>(body.size()));
        return 0;
    }

    const QString entries = args.value(1, QStringLiteral("1000000"));
    std::printf("%-9s %10s %14s %16s\n", "fill", "time ms", "peak RSS MiB", "growth / body");
    double floorMs = 0, naiveMs = 0, ownMs = 0;
    for (const QString &mode :
         {QStringLiteral("floor"), QStringLiteral("naive"), QStringLiteral("tarnvale")}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--mode"), mode, entries});
        child.waitForFinished(-1);
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        if (f.size() != 5) {
            std::printf("%s failed\n", qPrintable(mode));
            return 1;
        }
        const double ms = f[1].toDouble();
        const double before = f[2].toDouble() * 1024, peak = f[3].toDouble() * 1024;
        const double bodyBytes = f[4].toDouble();
        // Growth: memory the fill itself took, on top of the body that the reply brought.
        std::printf("%-9s %10.1f %14.1f %16.2f\n", qPrintable(mode), ms, peak / 1048576.0,
                    (peak - before + bodyBytes) / bodyBytes);
        (mode == QLatin1String("floor")   ? floorMs
         : mode == QLatin1String("naive") ? naiveMs
                                          : ownMs) = ms;
    }
    std::printf("tarnvale / floor: %.2f   naive / tarnvale: %.1f\n", ownMs / floorMs,
                naiveMs / ownMs);
    return 0;
}
