#include "server/ContentTypeTable.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include "store/UrlPath.h"

namespace korvi {

void ContentTypeTable::Load(const QString& text) {
    tbl_.clear();
    QString all = text;
    all.remove(u'\r');
    const QStringList lines = all.split(u'\n');
    for (const QString& line : lines) {
        if (line.isEmpty()) continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 2) continue;
        tbl_.insert(fields.at(0), fields.at(1));
    }
}

QString ContentTypeTable::Extension(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot == name.size() - 1) return QString("");
    return name.mid(dot + 1);
}

QString ContentTypeTable::QueryFileExtension(const QString& path) {
    static const QRegularExpression reQueryFile(QStringLiteral("/([^/]+)_/\\d{8}\\.cgi$"));
    const QRegularExpressionMatch m = reQueryFile.match(path);
    if (!m.hasMatch()) return QString("");
    // Only a folder the store made for queries: it holds the query list.
    const QString folder = path.left(path.lastIndexOf(u'/'));
    if (!QFileInfo(folder + u'/' + QString::fromLatin1(kQueryListName)).isFile())
        return QString("");
    return Extension(m.captured(1));
}

QString ContentTypeTable::GetCntntTyp(const QString& path, const TextProbe& isText) const {
    QString type;
    const QString real = QueryFileExtension(path);
    if (!real.isEmpty()) type = tbl_.value(real.toLower());
    const QString ext = Extension(path);
    if (type.isEmpty() && !ext.isEmpty()) type = tbl_.value(ext.toLower());
    if (type.isEmpty() && QFileInfo(path).isDir()) type = tbl_.value(QStringLiteral("Directory"));
    if (type.startsWith(u'?')) {
        const QStringList fields = type.split(u',');
        type.clear();
        if (fields.size() >= 2) {
            const bool text = isText ? isText(path) : LooksLikeText(path);
            if (text) {
                type = fields.at(1);
            } else if (fields.size() >= 3) {
                type = fields.at(2);
            }
        }
    }
    return type.isEmpty() ? QStringLiteral("text/plain") : type;
}

bool LooksLikeText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(4096);
    for (const char ch : head) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c <= 0x08) || c == 0x0B || c == 0x0C || (c >= 0x0E && c <= 0x1A) ||
            (c >= 0x1C && c <= 0x1F) || c == 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace korvi
