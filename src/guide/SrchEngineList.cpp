#include "guide/SrchEngineList.h"

#include <QUrl>

#include "engine/lists/InitList.h"

namespace korvi {

QStringList SrchCounts() {
    return {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"), QStringLiteral("50"),
            QStringLiteral("100")};
}

QString SrchLstPath(SrchEngine engine) {
    QString folder;
    switch (engine) {
        case SrchEngine::kGoogle:
            folder = QStringLiteral("google");
            break;
        case SrchEngine::kSearchList:
            folder = QStringLiteral("search_list");
            break;
        case SrchEngine::kGoogleImage:
            folder = QStringLiteral("google_image");
            break;
        case SrchEngine::kNone:
            return QString();
    }
    return QStringLiteral("tool/") + folder + QStringLiteral("/search_list.ini");
}

QString EncodeWordUtf8(const QString& word, const ErrSink& err) {
    // A lone surrogate has no UTF-8 form; it would turn into "?" silently.
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word.at(i);
        const bool paired =
            c.isHighSurrogate() && i + 1 < word.size() && word.at(i + 1).isLowSurrogate();
        if (paired) {
            ++i;
        } else if (c.isSurrogate()) {
            if (err)
                err(QStringLiteral("URLEncoder :   ") +
                    QStringLiteral("invalid character at %1").arg(i));
            return QString();
        }
    }
    QByteArray enc = QUrl::toPercentEncoding(word, QByteArrayLiteral("*"), QByteArrayLiteral("~"));
    enc.replace("%20", "+");
    return QString::fromLatin1(enc);
}

int RepColDat(InitList& list, int column, const QString& find, const QString& rep) {
    if (find.isEmpty() || (column != 2 && column != 3)) return 0;
    int changed = 0;
    for (int i = 0; i < list.RowCount(); ++i) {
        const InitRow& row = list.Rows()[size_t(i)];
        const QString& cell = column == 2 ? row.ttl : row.url;
        if (!cell.contains(find)) continue;
        QString text = cell;
        text.replace(find, rep);
        const bool ok =
            column == 2 ? list.SetRowTexts(i, text, row.url) : list.SetRowTexts(i, row.ttl, text);
        if (ok) ++changed;
    }
    return changed;
}

void FillSrchLst(InitList& list, const EngineWords& words) {
    RepColDat(list, 3, kWordUtf8Mark, words.encoded);
    RepColDat(list, 3, kCountMark, words.count);
    // The word as typed last: its text is not searched for placeholders again.
    RepColDat(list, 3, kWordMark, words.inPage);
}

}  // namespace korvi
