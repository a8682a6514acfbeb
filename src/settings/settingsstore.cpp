#include "settings/settingsstore.h"

#include "app/application.h"
#include "platform/platform.h"
#include "service/fields.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tarnvale::settings {

namespace {
bool isTrue(QStringView field)
{
    return field.compare(u"true", Qt::CaseInsensitive) == 0;
}

void complain(const QString &what, const QString &reason)
{
    platform::dialogs().message(nullptr,
                                QStringLiteral("Could not %1 the settings file \"%2\": %3")
                                    .arg(what, QDir::toNativeSeparators(filePath()), reason));
}

// Writes through a temporary file renamed over the old one, so a crash or a full disk never
// leaves the file empty or half written.
bool writeLine(const QString &line, QString *reason)
{
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        *reason = file.errorString();
        return false;
    }
    const QByteArray bytes = line.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
} // namespace

Values parse(const QString &line)
{
    using service::field;
    return {field(line, u';', 1).toString(), isTrue(field(line, u';', 2)),
            isTrue(field(line, u';', 3))};
}

QString format(const Values &values)
{
    auto word = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    return values.dlto + u';' + word(values.medl) + u';' + word(values.alertdl);
}

QString filePath()
{
    return platform::machine().appFolder() + QStringLiteral("/settings");
}

QString loadIntoApp()
{
    QString line = QString::fromLatin1(defaultLine);
    QFile file(filePath());
    if (!file.exists()) {
        QString reason;
        if (!writeLine(line, &reason))
            complain(QStringLiteral("create"), reason);
    } else if (file.open(QIODevice::ReadOnly)) {
        // Read as bytes, so that line terminators reach the fields unchanged.
        line = QString::fromUtf8(file.readAll());
        if (file.error() != QFileDevice::NoError) {
            complain(QStringLiteral("read"), file.errorString());
            line = QString::fromLatin1(defaultLine);
        }
    } else {
        complain(QStringLiteral("read"), file.errorString());
    }

    const Values values = parse(line);
    App()->dlto = values.dlto;
    App()->medl = values.medl;
    App()->alertdl = values.alertdl;
    return line;
}

bool save(const Values &values)
{
    QString reason;
    if (writeLine(format(values), &reason))
        return true;
    complain(QStringLiteral("save"), reason);
    return false;
}

} // namespace tarnvale::settings
