#include "store/DelOldLog.h"

#include <QFileInfo>

#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

QString N(qint64 v) {
    return QString::number(v);
}

}  // namespace

qint64 DelOldLogCutoffMs(qint64 nowMs, int dayNo) {
    const QDateTime now = Clock::ToJst(nowMs);
    const QDate day = now.date().addDays(-(qint64(dayNo) - 1));
    const QDateTime cutoff(day, QTime(0, 0, 0, now.time().msec()), Clock::Jst());
    return cutoff.toMSecsSinceEpoch();
}

DelOldLogResult DelOldLog(CtrlFile& ctrl, FolderService& fs, const LogDelSettings& s,
                          const ProgressFn& progress) {
    DelOldLogResult result;
    const auto show = [&progress](const QString& text) {
        if (progress) progress(text);
    };
    const QString root = fs.SafeRoot();
    if (root.isEmpty()) {
        const QString path = ctrl.LogRoot();
        const bool missing = !QFileInfo(ctrl.Abs(path)).isDir();
        ctrl.SaveErrLog(QStringLiteral("Del OldLOg Error : ") +
                        (missing ? QStringLiteral("log directory not exist  ")
                                 : QStringLiteral("log directory not usable  ")) +
                        path);
        return result;
    }
    fs.ResetCounts();
    const auto del = [&](const QString& name) {
        if (!fs.DelDir(root + u'/' + name)) return false;
        result.deleted.append(name);
        return true;
    };

    if (s.day_flag) {
        const qint64 cutoff = DelOldLogCutoffMs(ctrl.GetClock().NowMs(), s.day_no);
        const QStringList entries = fs.LsDir(root);
        const QString head = QStringLiteral("  過去ログ削除～時間 = ");
        for (qsizetype i = 0; i < entries.size(); ++i) {
            show(head + N(i + 1) + QStringLiteral(" / ") + N(entries.size()) +
                 QStringLiteral(" 件"));
            const QDateTime modified = QFileInfo(root + u'/' + entries.at(i)).lastModified();
            const qint64 ms = modified.isValid() ? modified.toMSecsSinceEpoch() : 0;
            if (ms < cutoff) del(entries.at(i));
        }
        result.end_texts.append(head + N(entries.size()) + QStringLiteral(" / ") +
                                N(entries.size()) + QStringLiteral(" 件 -> 終了"));
        show(result.end_texts.last());
    }

    if (s.size_flag) {
        const QStringList entries = fs.LsDir(root);
        const QString head = QStringLiteral("  過去ログ削除～サイズ = ");
        qint64 total = 0;
        // Newest first; once the running total reaches the limit every older entry goes.
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString& name = entries.at(entries.size() - 1 - i);
            show(head + N(i + 1) + QStringLiteral(" / ") + N(entries.size()) +
                 QStringLiteral(" 件"));
            total += fs.SzDir(root + u'/' + name);
            if (total / 1000 / 1000 >= s.size_no) del(name);
        }
        result.end_texts.append(head + N(entries.size()) + QStringLiteral(" / ") +
                                N(entries.size()) + QStringLiteral(" 件 -> 終了"));
        show(result.end_texts.last());
    }

    if (s.no_flag) {
        const QStringList entries = fs.LsDir(root);
        const QString head = QStringLiteral("  過去ログ削除～数 = ");
        qsizetype left = entries.size();
        qint64 deleted = 0;
        // Oldest first, while at least no_no entries remain.
        for (qsizetype i = 0; i < entries.size() && left >= s.no_no; ++i) {
            show(head + N(i + 1) + QStringLiteral(" 件"));
            if (del(entries.at(i))) {
                --left;
                ++deleted;
            }
        }
        result.end_texts.append(head + N(deleted) + QStringLiteral(" 件 -> 終了"));
        show(result.end_texts.last());
    }

    result.counts = fs.Counts();

    QString voidEnd;
    const ProgressFn keep = [&](const QString& text) {
        voidEnd = text;
        show(text);
    };
    const QString run = ctrl.RunFolder();
    if (QFileInfo(ctrl.Abs(run)).isDir()) {
        fs.DelVoidDir(run, keep);
        if (!voidEnd.isEmpty()) result.end_texts.append(voidEnd);
    }
    voidEnd.clear();
    fs.DelVoidDirOnce(root, keep);
    if (!voidEnd.isEmpty()) result.end_texts.append(voidEnd);
    result.ok = true;
    return result;
}

}  // namespace korvi
