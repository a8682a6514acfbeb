#include "service/service.h"

namespace tarnvale::service {

namespace {
QString &base()
{
    static QString url = QStringLiteral(TARNVALE_BASE_URL);
    return url;
}
} // namespace

QString baseUrl()
{
    return base();
}

void setBaseUrl(const QString &url)
{
    base() = url;
}

QString url(const QString &path)
{
    return base() + path;
}

QString requestScriptUrl()
{
    return url(QString::fromLatin1(requestScriptPath));
}

QString uploadAddress(const QString &author, const QString &file)
{
    return base() + QStringLiteral("/tarnvale/uploads/") + author + u'/' + file;
}

// QString::toLower follows Unicode, so letters outside ASCII in author and file names are
// lower-cased too, as the service stores them.
QString downloadUrl(const QString &author, const QString &file)
{
    return uploadAddress(author, file).toLower();
}

} // namespace tarnvale::service
