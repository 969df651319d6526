#include "engine/page/OfflineLedger.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include "engine/page/OfflineLinks.h"
#include "store/CtrlFile.h"
#include "store/ReplaceFile.h"
#include "store/TextCodec.h"

namespace korvi {

void OfflineLedger::Pending(const QString& page, const QString& target, const QString& web) {
    QMutexLocker lock(&mutex_);
    pending_[page].append({target, web});
}

void OfflineLedger::Stored(const QString& mapped, const QString& stored) {
    if (mapped == stored || mapped.isEmpty() || stored.isEmpty()) return;
    QMutexLocker lock(&mutex_);
    stored_.insert(mapped, stored);
}

int OfflineLedger::Settle(CtrlFile& ctrl) {
    QHash<QString, QVector<Ref>> pending;
    QHash<QString, QString> stored;
    {
        QMutexLocker lock(&mutex_);
        pending.swap(pending_);
        stored.swap(stored_);
    }
    QHash<QString, QString> found;  // target -> stored file ("" when none)
    auto storedFile = [&](const QString& target) {
        const auto known = found.constFind(target);
        if (known != found.constEnd()) return known.value();
        QString file;
        const QString abs = ctrl.Abs(target);
        const QString html = abs + QStringLiteral(".html");
        if (QFileInfo(abs).isFile()) {
            file = abs;
        } else if (QFileInfo(html).isFile()) {
            file = html;
        } else if (stored.contains(target)) {
            const QString moved = ctrl.Abs(stored.value(target));
            if (QFileInfo(moved).isFile()) {
                file = moved;
            } else if (QFileInfo(moved + QStringLiteral(".html")).isFile()) {
                file = moved + QStringLiteral(".html");
            }
        }
        found.insert(target, file);
        return file;
    };
    int changed = 0;
    for (auto it = pending.constBegin(); it != pending.constEnd(); ++it) {
        const QString page = ctrl.Abs(it.key());
        const QDir dir = QFileInfo(page).absoluteDir();
        // The reference as it was written -> what it becomes.
        QHash<QString, QString> to;
        for (const Ref& r : it.value()) {
            const QString file = storedFile(r.target);
            const QString written = LocalRef(dir.relativeFilePath(ctrl.Abs(r.target)));
            const QString now = file.isEmpty() ? r.web : LocalRef(dir.relativeFilePath(file));
            if (now != written) to.insert(written, now);
        }
        if (to.isEmpty()) continue;
        QFile in(page);
        if (!in.open(QIODevice::ReadOnly)) continue;
        const QString text = DecodeText(in.readAll());
        const QDateTime mtime = in.fileTime(QFileDevice::FileModificationTime);
        in.close();
        const RefTarget target = [&to](const QString& raw) -> QString {
            const qsizetype hash = raw.indexOf(u'#');
            const auto hit = to.constFind(hash < 0 ? raw : raw.left(hash));
            if (hit == to.constEnd()) return QString();
            return hash < 0 ? hit.value() : hit.value() + raw.mid(hash);
        };
        const bool css = page.endsWith(QStringLiteral(".css"), Qt::CaseInsensitive);
        const QString out = css ? RewriteCssRefs(text, target) : RewriteHtmlRefs(text, target);
        if (out == text) continue;
        QString error;
        if (!ReplaceFile::Save(page, EncodeText(out), &error)) {
            ctrl.SaveErrLog(QStringLiteral("C_File File Write Error : ") + error + u' ' + page);
            continue;
        }
        QFile touch(page);
        if (mtime.isValid() && touch.open(QIODevice::ReadWrite | QIODevice::Append))
            touch.setFileTime(mtime, QFileDevice::FileModificationTime);
        ++changed;
    }
    return changed;
}

}  // namespace korvi
