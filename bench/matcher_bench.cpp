// Matcher throughput over generated Japanese and English HTML pages, one core.
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <cstdio>

#include "engine/match/Matcher.h"
#include "engine/match/MatcherText.h"

using korvi::Matcher;

namespace {

const QStringList kJa = {
    QStringLiteral("東京都内の新しい開発拠点では、"),
    QStringLiteral("検索エンジンの結果をもとに"),
    QStringLiteral("多くの利用者が情報を集めています。"),
    QStringLiteral("今年の春に公開された資料によると、"),
    QStringLiteral("ダウンロードしたファイルは日付ごとのフォルダに保存され、"),
    QStringLiteral("後から簡単に検索できます。"),
    QStringLiteral("大阪や名古屋の支社でも"),
    QStringLiteral("同じ仕組みが使われている。"),
    QStringLiteral("お問い合わせはこちらまで。"),
    QStringLiteral("画像やテキストを自動的に収集する"),
    QStringLiteral("ツールの使い方を説明します。"),
};
const QStringList kEn = {
    QStringLiteral("The quick brown fox jumps over the lazy dog. "),
    QStringLiteral("Our software development team released version 2.4 today. "),
    QStringLiteral("Please read the documentation before you start. "),
    QStringLiteral("Contact us for more information about the product. "),
    QStringLiteral("Copyright 2006 Example Corporation. All rights reserved. "),
};

// Each page draws its sentences from its own part of the vocabulary, so that
// not every page holds every word.
QStringList gJa;
QStringList gEn;

QString Sentence(QRandomGenerator& rng) {
    QString s;
    const int n = 2 + rng.bounded(4);
    for (int i = 0; i < n; ++i) {
        s +=
            rng.bounded(3) == 0 ? gEn.at(rng.bounded(gEn.size())) : gJa.at(rng.bounded(gJa.size()));
    }
    return s;
}

QStringList Some(QRandomGenerator& rng, const QStringList& all) {
    QStringList out;
    for (const QString& s : all) {
        if (rng.bounded(3) != 0) out.append(s);
    }
    if (out.isEmpty()) out.append(all.first());
    return out;
}

QString Page(QRandomGenerator& rng, int targetChars) {
    gJa = Some(rng, kJa);
    gEn = Some(rng, kEn);
    QString h = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html lang=\"ja\">\n"
        "<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
        "<title>ニュース | Example サイト</title>\n"
        "<link rel=\"stylesheet\" href=\"/css/style.css\" type=\"text/css\">\n"
        "<script type=\"text/javascript\">\n  var n = 0; function go(u) { location.href = u; }\n"
        "</script>\n</head>\n<body bgcolor=\"#ffffff\">\n<table width=\"100%\" border=\"0\">\n");
    int i = 0;
    while (h.size() < targetChars) {
        switch (rng.bounded(5)) {
            case 0:
                h += QStringLiteral("<tr>\n    <td class=\"menu\"><a href=\"/news/") +
                     QString::number(i) + QStringLiteral(".html\">") + Sentence(rng).left(20) +
                     QStringLiteral("</a></td>\n  </tr>\n");
                break;
            case 1:
                h += QStringLiteral("<p>\n      ") + Sentence(rng) + QStringLiteral("<br>\n") +
                     Sentence(rng) + QStringLiteral("&nbsp;&nbsp;</p>\n");
                break;
            case 2:
                h += QStringLiteral("<div class=\"item\"><img src=\"/img/p") + QString::number(i) +
                     QStringLiteral(".jpg\" alt=\"写真\" width=\"120\" height=\"90\">") +
                     Sentence(rng) + QStringLiteral("</div>\n");
                break;
            case 3:
                h += QStringLiteral("\t\t<li><font size=\"2\" color=\"#333333\">") + Sentence(rng) +
                     QStringLiteral("</font></li>\n");
                break;
            default:
                h += QStringLiteral("<h2>") + Sentence(rng).left(30) + QStringLiteral("</h2>\n");
        }
        ++i;
    }
    h += QStringLiteral("</table>\n</body>\n</html>\n");
    return h;
}

struct Figures {
    double mbPerS;
    int hits;
};

// Best of `reps` passes over the corpus (the machine may be shared).
Figures Run(Matcher& m, const QString& words, const QStringList& pages, qint64 bytes, int reps) {
    Figures best{0, 0};
    for (int r = 0; r < reps; ++r) {
        int hits = 0;
        QElapsedTimer t;
        t.start();
        for (const QString& p : pages) {
            if (!m.SrchStrList(words, p).isEmpty()) ++hits;
        }
        const double mbs = double(bytes) / 1e6 / (t.nsecsElapsed() / 1e9);
        if (mbs > best.mbPerS) best = {mbs, hits};
    }
    return best;
}

}  // namespace

int main() {
    QRandomGenerator rng(20060309);
    QStringList pages;
    qint64 bytes = 0;
    qint64 chars = 0;
    while (bytes < 4 * 1000 * 1000) {
        const QString p = Page(rng, 8000 + rng.bounded(40000));
        bytes += p.toUtf8().size();
        chars += p.size();
        pages.append(p);
    }
    std::printf("corpus: %lld pages, %.2f MB UTF-8, %.2f M UTF-16 units\n",
                static_cast<long long>(pages.size()), bytes / 1e6, chars / 1e6);

    {
        QElapsedTimer t;
        t.start();
        qint64 n = 0;
        for (int r = 0; r < 3; ++r) {
            for (const QString& p : pages) n += korvi::MatcherSearchText(p).text.size();
        }
        std::printf("search text only         : %7.1f MB/s (%lld units)\n",
                    bytes * 3 / 1e6 / (t.nsecsElapsed() / 1e9), static_cast<long long>(n / 3));
    }

    // Three words: an AND word, an alternative, an exclusion absent from every
    // page (so both texts are scanned for it in full).
    const QStringList queries = {
        QStringLiteral("開発 |development -xyzzy"),
        QStringLiteral("名古屋 |Nagoya -お知らせ"),
        QStringLiteral("Tokyo |大阪 -Osaka"),
    };
    const int reps = 5;
    for (int type : {0, 2}) {
        for (bool cs : {false, true}) {
            Matcher m;
            m.SetSearchType(type);
            m.SetCaseSensitive(cs);
            for (const QString& q : queries) {
                const Figures f = Run(m, q, pages, bytes, reps);
                std::printf("type %d %s %-28s: %7.1f MB/s  (%d of %lld pages match)\n", type,
                            cs ? "case  " : "nocase", q.toUtf8().constData(), f.mbPerS, f.hits,
                            static_cast<long long>(pages.size()));
            }
        }
    }
    return 0;
}
