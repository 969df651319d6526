#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

constexpr qint64 kWindow = 1024;  // backward search window for "<?"

QString AttrLine(const char* name, const QString& value) {
    return QLatin1String(name) + QStringLiteral("=\"") + value + QStringLiteral("\" \n");
}

}  // namespace

QString CtrlFile::MkFootTag(const QString& ref, const QString& src, const QString& time,
                            const QString& comment, bool rendered) {
    QString tag = QStringLiteral("\n<?xml-qorn \n");
    tag += AttrLine("tag_ver", QStringLiteral("1.00"));
    tag += AttrLine("dl_ref", ref);
    tag += AttrLine("dl_src", src);
    tag += AttrLine("dl_time", time);
    tag += AttrLine("dl_cmnt", comment);
    if (rendered) tag += AttrLine("dl_render", QStringLiteral("1"));
    for (const char* empty : {"author", "athr_url", "athr_e-mail", "athr_ver", "athr_date",
                              "athr_file-name", "athr_cmnt"}) {
        tag += AttrLine(empty, QString(""));
    }
    tag += QStringLiteral("?>");
    return tag;
}

bool CtrlFile::FootTagApplies(const QString& footTagSetting, const QString& extList,
                              const QString& extension) {
    // The setting is stored inverted: "0" means the tag is written.
    if (footTagSetting != QStringLiteral("0") || extList.isEmpty() || extension.isEmpty()) {
        return false;
    }
    const QString ext = AdjustExtnsn(extension.toLower());
    return extList.toLower().contains(u',' + ext + u',');
}

bool CtrlFile::AppendFootTag(const QString& path, const QString& tag) {
    const QString file = Abs(path);
    QString failure;
    if (!QFileInfo(file).isFile()) {
        // Appending would create a file holding nothing but a tag.
        failure = QStringLiteral("no stored file ") + path;
    } else {
        QFile f(file);
        const QByteArray bytes = EncodeText(tag);
        if (!f.open(QIODevice::ReadWrite) || !f.seek(f.size()) || f.write(bytes) != bytes.size() ||
            !f.flush()) {
            failure = f.errorString() + QStringLiteral("  ") + path;
        } else {
            return true;
        }
    }
    SaveErrLog(QStringLiteral("S_Thrd AddFootTag Error : ") + failure);
    return false;
}

QString CtrlFile::GetFootTag(const QString& path) {
    if (path.isEmpty()) return QString("");
    const QString file = Abs(path);
    const QFileInfo info(file);
    if (!info.isFile() || info.size() <= 2) return QString("");
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        SaveErrLog(QStringLiteral("C_File GetFootTag Error : ") + f.errorString() +
                   QStringLiteral("  ") + path);
        return QString("");
    }
    return GetFootTag(f, path);
}

QString CtrlFile::GetFootTag(QFile& f, const QString& path) {
    const qint64 size = f.size();
    if (size <= 2) return QString("");
    if (!f.seek(size - 2) || f.read(2) != QByteArrayLiteral("?>")) return QString("");

    // Windows of up to 1024 bytes from the end, overlapping by 2 bytes.
    qint64 end = size;
    qint64 found = -1;
    for (;;) {
        const qint64 start = end > kWindow ? end - kWindow : 0;
        QByteArray window;
        if (!f.seek(start) || (window = f.read(end - start)).size() != end - start) {
            SaveErrLog(QStringLiteral("C_File GetFootTag2 Error : ") + f.errorString() +
                       QStringLiteral("  ") + path);
            return QString("");
        }
        for (qsizetype i = window.size() - 2; i >= 0; --i) {
            if (window.at(i) == '<' && window.at(i + 1) == '?') {
                found = start + i;
                break;
            }
        }
        if (found >= 0 || start == 0) break;
        end = start + 2;
    }
    if (found < 0) return QString("");
    if (!f.seek(found)) {
        SaveErrLog(QStringLiteral("C_File GetFootTag Error : ") + f.errorString() +
                   QStringLiteral("  ") + path);
        return QString("");
    }
    const QByteArray bytes = f.readAll();
    if (bytes.size() != size - found) {
        SaveErrLog(QStringLiteral("C_File GetFootTag2 Error : short read  ") + path);
        return QString("");
    }
    return DecodeText(bytes);
}

QString CtrlFile::FootTagOf(const QByteArray& bytes) {
    if (bytes.size() <= 2 || !bytes.endsWith("?>")) return QString("");
    const qsizetype found = bytes.lastIndexOf("<?");
    return found < 0 ? QString("") : DecodeText(bytes.mid(found));
}

QString CtrlFile::GetFootTagAttr(const QString& tag, const QString& name) {
    if (tag.isEmpty() || name.isEmpty()) return QString("");
    QString text = tag;
    text.remove(u'\n');
    // The name must start an attribute: "src" does not match inside "dl_src".
    const QRegularExpression head(QStringLiteral("<\\?.+?\\s") + QRegularExpression::escape(name) +
                                  QStringLiteral("=\""));
    const QRegularExpression tail(QStringLiteral("\".+?\\?>"));
    const QRegularExpressionMatch h = head.match(text);
    // Without the attribute nothing is left to read.
    if (!h.hasMatch()) return QString("");
    text.remove(h.capturedStart(), h.capturedLength());
    const QRegularExpressionMatch t = tail.match(text);
    if (t.hasMatch()) text.remove(t.capturedStart(), t.capturedLength());
    return text;
}

}  // namespace korvi
