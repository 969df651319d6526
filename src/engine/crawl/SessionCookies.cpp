#include "engine/crawl/SessionCookies.h"

#include <QMutexLocker>
#include <QRegularExpression>

#include <exception>

#include "store/CtrlFile.h"

namespace korvi {

QString SessionCookies::Lookup(const QString& referrer) const {
    QMutexLocker lock(&mutex_);
    return table_.value(referrer, QString(""));
}

void SessionCookies::Store(const QString& url, const QString& value) {
    QMutexLocker lock(&mutex_);
    table_.insert(url, value);
}

int SessionCookies::Size() const {
    QMutexLocker lock(&mutex_);
    return static_cast<int>(table_.size());
}

QString SessionCookies::StripPath(const QList<QByteArray>& setCookies) {
    static const QRegularExpression kSplit(QStringLiteral("; *"));
    QStringList kept;
    for (const QByteArray& header : setCookies) {
        const QStringList parts = QString::fromLatin1(header).split(kSplit);
        for (const QString& part : parts) {
            const QString name = part.section(u'=', 0, 0).trimmed().toLower();
            if (name == QStringLiteral("path") || part.trimmed().isEmpty()) continue;
            kept << part;
        }
    }
    return kept.join(u';');
}

void SessionCookies::MngmntSssnCookie(const QString& referrer, QString* cookieHeader,
                                      CtrlFile* log) const {
    try {
        if (!cookieHeader) return;
        *cookieHeader = Lookup(referrer);
    } catch (const std::exception& e) {
        if (log)
            log->SaveErrLog(QStringLiteral("MngmntSssnCookie Error : ") +
                            QString::fromUtf8(e.what()));
    }
}

void SessionCookies::MngmntSssnCookie(const QString& url, const QList<QByteArray>& setCookies,
                                      CtrlFile* log) {
    try {
        if (setCookies.isEmpty()) return;
        Store(url, StripPath(setCookies));
    } catch (const std::exception& e) {
        if (log)
            log->SaveErrLog(QStringLiteral("MngmntSssnCookie Error : ") +
                            QString::fromUtf8(e.what()));
    }
}

}  // namespace korvi
