#include "store/HighlightDocument.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <vector>

#include "store/CtrlFile.h"

namespace korvi {

QString HighlightDocument::HLightPath(const QString& source) {
    const QFileInfo info(source);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString folder = source.left(source.size() - name.size());
    if (dot <= 0) return folder + name + QStringLiteral("_hl_korvi");
    return folder + name.left(dot) + QStringLiteral("_hl_korvi") + name.mid(dot);
}

namespace {

// Elements whose content is not shown as text, so it is never marked.
const QStringList kRawElements = {QStringLiteral("script"), QStringLiteral("style"),
                                  QStringLiteral("title"), QStringLiteral("textarea")};

QString MarkText(QStringView text, const std::vector<QRegularExpression>& res) {
    QString out;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype bestStart = -1;
        qsizetype bestLen = 0;
        for (const QRegularExpression& re : res) {
            QRegularExpressionMatch m = re.match(text, pos);
            while (m.hasMatch() && m.capturedLength() == 0) {
                // An empty match marks nothing; look further on.
                if (m.capturedStart() + 1 > text.size()) break;
                m = re.match(text, m.capturedStart() + 1);
            }
            if (!m.hasMatch() || m.capturedLength() == 0) continue;
            if (bestStart < 0 || m.capturedStart() < bestStart) {
                bestStart = m.capturedStart();
                bestLen = m.capturedLength();
            }
        }
        if (bestStart < 0) break;
        out += text.mid(pos, bestStart - pos);
        out += HighlightDocument::Open();
        out += text.mid(bestStart, bestLen);
        out += HighlightDocument::Close();
        pos = bestStart + bestLen;
    }
    out += text.mid(pos);
    return out;
}

}  // namespace

QString HighlightDocument::Mark(const QString& html, const QStringList& patterns, QString* error) {
    std::vector<QRegularExpression> res;
    for (const QString& p : patterns) {
        if (p.isEmpty()) continue;
        QRegularExpression re(p, QRegularExpression::CaseInsensitiveOption);
        if (!re.isValid()) {
            if (error) *error = re.errorString() + QStringLiteral(" : ") + p;
            return QString();
        }
        res.push_back(re);
    }
    QString out;
    out.reserve(html.size() + html.size() / 8);
    qsizetype pos = 0;
    const qsizetype n = html.size();
    while (pos < n) {
        const qsizetype lt = html.indexOf(u'<', pos);
        const qsizetype textEnd = lt < 0 ? n : lt;
        out += MarkText(QStringView(html).mid(pos, textEnd - pos), res);
        if (lt < 0) break;
        qsizetype gt = html.indexOf(u'>', lt);
        if (gt < 0) gt = n - 1;
        const QStringView tag = QStringView(html).mid(lt, gt - lt + 1);
        out += tag;
        pos = gt + 1;
        // Copy the content of a raw element up to its closing tag unchanged.
        for (const QString& el : kRawElements) {
            const QString openTag = u'<' + el;
            if (!tag.startsWith(openTag, Qt::CaseInsensitive)) continue;
            const QChar after = tag.size() > openTag.size() ? tag.at(openTag.size()) : u'>';
            if (after.isLetterOrNumber()) continue;
            const qsizetype close =
                html.indexOf(QStringLiteral("</") + el, pos, Qt::CaseInsensitive);
            const qsizetype until = close < 0 ? n : close;
            out += QStringView(html).mid(pos, until - pos);
            pos = until;
            break;
        }
    }
    return out;
}

QString HighlightDocument::MkHLightFile(CtrlFile& ctrl, const QString& source,
                                        const QStringList& plainWords) {
    return MkHLightText(ctrl, source, ctrl.LoadDataEnc(source), plainWords);
}

QString HighlightDocument::MkHLightText(CtrlFile& ctrl, const QString& source, const QString& text,
                                        const QStringList& plainWords) {
    if (text.isEmpty() || !text.contains(QStringLiteral("</html>"), Qt::CaseInsensitive)) {
        return QString("");
    }
    QStringList words;
    for (const QString& w : plainWords) {
        if (!w.isEmpty()) words.append(w);
    }
    if (words.isEmpty()) {
        ctrl.SaveErrLog(QStringLiteral("MkHLightFile Error : SrchStrListMin is void"));
        return QString("");
    }
    QString error;
    const QString marked = Mark(text, words, &error);
    if (!error.isEmpty()) {
        ctrl.SaveErrLog(QStringLiteral("MkHLightFile Reg Error : ") + error);
        return QString("");
    }
    const QString target = HLightPath(source);
    if (!ctrl.SaveData(target, marked)) return QString("");
    return target;
}

}  // namespace korvi
