#pragma once

#include <QByteArray>
#include <QRandomGenerator>

namespace korvi::bench {

// A generated page of about `bytes` bytes of Japanese and English words and
// links; `hit` (when not empty) is one paragraph the searches look for.
inline QByteArray StorePage(QRandomGenerator& rng, int bytes, const QByteArray& hit) {
    static const char* const kWords[] = {"ウェブ", "収集",  "検索",   "page",   "link",
                                         "data",   "store", "folder", "report", "テキスト",
                                         "文書",   "table", "image"};
    QByteArray b = "<html><head><title>page</title></head><body>\n";
    while (b.size() < bytes) {
        b += "<p>";
        for (int i = 0; i < 12; ++i) {
            b += kWords[rng.bounded(int(sizeof(kWords) / sizeof(kWords[0])))];
            b += ' ';
        }
        b += "<a href=\"http://h/x.html\">link</a></p>\n";
    }
    if (!hit.isEmpty()) b += "<p>" + hit + "</p>\n";
    return b + "</body></html>\n";
}

}  // namespace korvi::bench
