// Weak stand-ins for the CtrlFile readers that the documents and tools use
// (text loading with detection, trailer-tag reading). The store's own
// definitions replace these at link time; delete this file once they exist.
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

bool LooksBinary(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0 || (u >= 0x01 && u <= 0x08) || u == 0x0B || u == 0x0C ||
            (u >= 0x0E && u <= 0x1F) || u == 0x7F || (u >= 0xFD && u <= 0xFF)) {
            return true;
        }
    }
    return false;
}

}  // namespace

__attribute__((weak)) QString CtrlFile::LoadDataEnc(const QString& path) {
    QFile f(Abs(path));
    if (!f.open(QIODevice::ReadOnly)) return QString("");
    const QByteArray bytes = f.readAll();
    if (bytes.isEmpty() || bytes.contains('\0')) return QString("");
    QString text = DecodeText(bytes);
    if (LooksBinary(text)) return QString("");
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

__attribute__((weak)) QString CtrlFile::GetFootTag(const QString& path) {
    if (path.isEmpty()) return QString("");
    const QString abs = Abs(path);
    const QFileInfo info(abs);
    if (!info.isFile() || info.size() <= 2) return QString("");
    QFile f(abs);
    if (!f.open(QIODevice::ReadOnly)) {
        SaveErrLog(QStringLiteral("C_File GetFootTag Error : ") + f.errorString() +
                   QStringLiteral("  ") + path);
        return QString("");
    }
    const qint64 size = f.size();
    f.seek(size - 2);
    if (f.read(2) != QByteArrayLiteral("?>")) return QString("");
    qint64 end = size;
    for (;;) {
        const qint64 begin = end > 1024 ? end - 1024 : 0;
        f.seek(begin);
        const QByteArray window = f.read(end - begin);
        for (qsizetype i = window.size() - 2; i >= 0; --i) {
            if (window.at(i) == '<' && window.at(i + 1) == '?') {
                f.seek(begin + i);
                return DecodeText(f.readAll());
            }
        }
        if (begin == 0) return QString("");
        end = begin + 2;
    }
}

__attribute__((weak)) QString CtrlFile::GetFootTagAttr(const QString& tag, const QString& name) {
    QString t = tag;
    t.remove(u'\n');
    const QRegularExpression head(QStringLiteral("<\\?.+?") + QRegularExpression::escape(name) +
                                  QStringLiteral("=\""));
    const QRegularExpressionMatch m = head.match(t);
    if (!m.hasMatch()) return QString("");
    t.remove(m.capturedStart(), m.capturedLength());
    static const QRegularExpression tail(QStringLiteral("\".+?\\?>"));
    const QRegularExpressionMatch e = tail.match(t);
    if (e.hasMatch()) t.remove(e.capturedStart(), e.capturedLength());
    return t;
}

}  // namespace korvi
