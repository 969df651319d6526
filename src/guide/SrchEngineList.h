#pragma once

#include <QString>
#include <QStringList>

#include "engine/page/UrlHelpers.h"
#include "guide/GuidePreset.h"

namespace korvi {

class InitList;

// Placeholders of the start-URL lists.
inline const QString kWordUtf8Mark = QStringLiteral("&|&^word^UTF-8&|&");
inline const QString kWordMark = QStringLiteral("&|&^word&|&");
inline const QString kCountMark = QStringLiteral("&|&^no&|&");

// Result counts offered for the Google list.
QStringList SrchCounts();

// The list file of a source, relative to the home ("tool/google/search_list.ini");
// "" for none.
QString SrchLstPath(SrchEngine engine);

// The word as a form-encoded UTF-8 query value ("+" for a blank). A null
// string when it cannot be encoded; the failure goes to the sink as
// "URLEncoder : " + two blanks + reason.
QString EncodeWordUtf8(const QString& word, const ErrSink& err);

// Replaces every occurrence of find in one column of every row (2 見出し,
// 3 URL); the number of rows changed. A URL that would become invalid or
// equal to another row's keeps its old text.
int RepColDat(InitList& list, int column, const QString& find, const QString& rep);

// What fills the placeholders: the encoded engine word, the in-page word as
// typed and the result count.
struct EngineWords {
    QString encoded;
    QString inPage;
    QString count;
};
void FillSrchLst(InitList& list, const EngineWords& words);

}  // namespace korvi
