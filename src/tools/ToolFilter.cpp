#include "tools/ToolFilter.h"

#include "store/CtrlFile.h"

namespace korvi {

FltMode FltModeFromText(const QString& text) {
    if (text == QStringLiteral("in")) return FltMode::In;
    if (text == QStringLiteral("out")) return FltMode::Out;
    return FltMode::All;
}

SizeMode SizeModeFromText(const QString& text) {
    if (text == QStringLiteral("up")) return SizeMode::Up;
    if (text == QStringLiteral("down") || text == QStringLiteral("dwn")) return SizeMode::Down;
    return SizeMode::All;
}

bool ExtListLookup(const QString& list, const QString& extension, qint64 sizeKb) {
    if (list.isEmpty() || extension.isEmpty()) return false;
    const QString key = u',' + CtrlFile::AdjustExtnsn(extension) + u',';
    const qsizetype p = list.indexOf(key);
    if (p < 0) return false;
    if (sizeKb < 0) return true;
    const qsizetype q = p + key.size();
    if (q >= list.size()) return true;
    const QChar op = list.at(q);
    if (op != u'>' && op != u'<') return true;
    qsizetype end = list.indexOf(u',', q + 1);
    if (end < 0) end = list.size();
    bool ok = false;
    const qint64 n = list.mid(q + 1, end - q - 1).trimmed().toLongLong(&ok);
    if (!ok) return false;
    return op == u'>' ? sizeKb > n : sizeKb < n;
}

bool LinkExtPasses(FltMode mode, const QString& list, const QString& extension) {
    if (mode == FltMode::All) return true;
    const QString key = u',' + CtrlFile::AdjustExtnsn(extension.toLower()) + u',';
    const bool listed = list.toLower().contains(key);
    return mode == FltMode::In ? listed : !listed;
}

}  // namespace korvi
