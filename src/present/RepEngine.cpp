#include "present/RepEngine.h"

#include <algorithm>

#include "present/RepTemplate.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

// Non-overlapping occurrences from the left, as the string tool replaces them.
int CountLiteral(const QString& text, const QString& what, Qt::CaseSensitivity cs) {
    int n = 0;
    for (qsizetype at = text.indexOf(what, 0, cs); at >= 0;
         at = text.indexOf(what, at + what.size(), cs)) {
        ++n;
    }
    return n;
}

}  // namespace

bool RepEngine::SetReg(const QString& search, const QString& replacement,
                       const RepOptions& options) {
    search_ = search;
    replacement_ = replacement;
    options_ = options;
    failed_ = false;
    ready_ = false;
    re_ = QRegularExpression();
    if (search.isEmpty()) return false;
    if (options.regex) {
        re_.setPattern(search);
        re_.setPatternOptions(options.case_insensitive ? QRegularExpression::CaseInsensitiveOption
                                                       : QRegularExpression::NoPatternOption);
        if (!re_.isValid()) {
            ctrl_.SaveErrLog(
                QStringLiteral("DlgRep RepList Regex Error : ") + QStringLiteral("  ") +
                re_.errorString() + QStringLiteral(" near index ") +
                QString::number(re_.patternErrorOffset()) + QStringLiteral(" : ") + search);
            return false;
        }
    }
    ready_ = true;
    return true;
}

QString RepEngine::RepStr(const QString& text, int* count) {
    failed_ = false;
    if (!ready_ || text.isEmpty()) return text;
    int n = 0;
    QString out;
    if (!options_.regex) {
        const Qt::CaseSensitivity cs =
            options_.case_insensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
        n = CountLiteral(text, search_, cs);
        if (n == 0) return text;
        out = options_.case_insensitive ? Assist::RepStrI(text, search_, replacement_)
                                        : Assist::RepStr(text, search_, replacement_);
    } else {
        QString error;
        if (!ReplaceAllMatches(re_, text, replacement_, &out, &n, &error)) {
            failed_ = true;
            ctrl_.SaveErrLog(QStringLiteral("DlgRep RepStr Regex Error : ") + error +
                             QStringLiteral("\n  rep_str = ") + replacement_ +
                             QStringLiteral("\n  src_str = ") + text);
            return text;
        }
    }
    if (count) *count += n;
    return out;
}

int RepEngine::ApplyToRows(RepRows& rows, const QList<int>& scope) {
    int count = 0;
    for (const int r : scope) {
        QStringList cells = rows[r];
        int inRow = 0;
        for (QString& cell : cells) {
            cell = RepStr(cell, &inRow);
            if (failed_) return count;
        }
        rows[r] = cells;
        count += inRow;
    }
    return count;
}

int RepEngine::RepList(RepRows& rows, const QList<int>& selected) {
    if (!ready_) return 0;
    return ApplyToRows(rows, Scope(static_cast<int>(rows.size()), selected));
}

int RepEngine::RepList2(RepRows& rows, const QList<int>& selected, const QString& batchPath,
                        const RepProgressFn& progress) {
    const QList<RepBatchLine> lines = ParseBatch(ctrl_.LoadData(batchPath));
    const QList<int> scope = Scope(static_cast<int>(rows.size()), selected);
    int count = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const RepBatchLine& line = lines[i];
        if (SetReg(line.search, line.replacement, line.options)) count += ApplyToRows(rows, scope);
        if (progress) progress(static_cast<int>((i + 1) * 100 / lines.size()));
    }
    return count;
}

QList<int> RepEngine::Scope(int rowCount, const QList<int>& selected) {
    QList<int> scope;
    if (selected.size() > 1) {
        for (const int r : selected) {
            if (r >= 0 && r < rowCount) scope << r;
        }
        std::sort(scope.begin(), scope.end());
        scope.erase(std::unique(scope.begin(), scope.end()), scope.end());
        return scope;
    }
    for (int r = 0; r < rowCount; ++r) scope << r;
    return scope;
}

QList<RepBatchLine> RepEngine::ParseBatch(const QString& text) {
    QList<RepBatchLine> lines;
    for (const QString& line : text.split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f[0].isEmpty()) continue;
        RepBatchLine b;
        b.search = f[0];
        if (f.size() > 1) b.replacement = f[1];
        if (f.size() > 2) {
            b.options.regex = f[2].contains(QStringLiteral("!r"));
            b.options.case_insensitive = f[2].contains(QStringLiteral("!i"));
        }
        lines << b;
    }
    return lines;
}

UserMessage RepEngine::ResultMessage(int count) {
    return {QStringLiteral("置換結果"), QStringLiteral("置換数は、「 ") + QString::number(count) +
                                            QStringLiteral(" 」でした。")};
}

QString RepEngine::ProgressTitle(const QString& title, int percent) {
    return title + QStringLiteral(" （ ") + QString::number(percent) +
           QStringLiteral(" ％ 置換進行）");
}

}  // namespace korvi
