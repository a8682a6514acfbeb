// One in-program download through the download window's own path (dlwindow::start, the
// request object with keepBody off, the .part file, the "<html>" test, the rename), without
// a display (offscreen) and with the desktop's boxes replaced by recorders.
//
//   bench_download BASE_URL AUTHOR FILE FOLDER
//
// Downloads BASE_URL/tarnvale/uploads/author/file (lower-cased) into FOLDER/FILE and prints
// one line: bytes, seconds from start() to the window's close, MiB/s, peak RSS (getrusage).
// Exit status 1 when the window showed any message or question, or no file was saved.
// bench/bench_download.sh runs it against nginx beside curl -o.
#include "app/application.h"
#include "app/instance.h"
#include "downloads/dlwindow.h"
#include "platform/platform.h"
#include "service/service.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QTextStream>
#include <sys/resource.h>

namespace {

class Quiet final : public tarnvale::platform::Browser,
                    public tarnvale::platform::Dialogs,
                    public tarnvale::platform::Sound,
                    public tarnvale::platform::Machine {
public:
    explicit Quiet(QString folder) : m_folder(std::move(folder)) {}
    void openUrl(const QString &url) override { said << QStringLiteral("browser: ") + url; }
    void message(QWidget *, const QString &text) override { said << text; }
    bool question(QWidget *, const QString &, const QString &text) override
    {
        said << text;
        return false;
    }
    void beep() override { said << QStringLiteral("beep"); }
    QString address() override { return QStringLiteral("127.0.0.1"); }
    QString appFolder() override { return m_folder; }

    QStringList said;

private:
    QString m_folder;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tarnvale::Application app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() != 5) {
        err << "usage: bench_download BASE_URL AUTHOR FILE FOLDER\n";
        return 2;
    }
    const QString base = args[1], author = args[2], file = args[3], folder = args[4];

    Quiet quiet(folder);
    tarnvale::platform::install(&quiet, &quiet, &quiet, &quiet);
    tarnvale::service::setBaseUrl(base);
    app.dlto.clear(); // the application's folder itself: FOLDER
    app.medl = true;
    app.alertdl = false;

    QElapsedTimer clock;
    clock.start();
    QPointer<tarnvale::dlwindow> window = tarnvale::instance::dlwindow();
    window->show();
    window->start(author, file);
    if (window && !window->isClosed())
        QObject::connect(window, &QObject::destroyed, &app, &QCoreApplication::quit);
    else
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    app.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const qint64 bytes = QFileInfo(folder + u'/' + file).size();
    out << "bytes " << bytes << " seconds " << QString::number(seconds, 'f', 3) << " MiB/s "
        << QString::number(bytes / 1048576.0 / seconds, 'f', 0) << " maxrss_kb " << usage.ru_maxrss
        << "\n";
    for (const QString &line : quiet.said)
        err << "said: " << line << "\n";
    tarnvale::platform::install(nullptr, nullptr, nullptr, nullptr);
    return quiet.said.isEmpty() && bytes > 0 ? 0 : 1;
}
