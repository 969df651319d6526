#include "server/HttpSrvrDir.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace korvi {

QString HttpDocValues::Value(const QString& name) const {
    for (const auto& v : values) {
        if (v.first == name) return v.second;
    }
    return QString();
}

QStringList HttpDocValues::List(const QString& name) const {
    for (const auto& l : lists) {
        if (l.first == name) return l.second;
    }
    return QStringList();
}

namespace HttpSrvrDir {

namespace {

const QDir::Filters kAll = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

bool Inside(const QString& root, const QString& canonical) {
    return !canonical.isEmpty() && (canonical == root || canonical.startsWith(root + u'/'));
}

QString Encode(const QString& name) {
    return QString::fromLatin1(QUrl::toPercentEncoding(name));
}

}  // namespace

QString FootText() {
    return QStringLiteral("Korvi ver. ") + kVersion + QStringLiteral(" - Korvi project");
}

QString FootHtml() {
    return QStringLiteral("<a href=\"https://korvi.example/\">Korvi ver. ") + kVersion +
           QStringLiteral("</a> - Korvi project");
}

QString RelPath(const QString& root, const QString& folder) {
    if (folder == root) return QString("");
    if (folder.startsWith(root + u'/')) return folder.mid(root.size() + 1);
    return folder;
}

HttpDocValues MkDirValues(const QString& root, const QString& folder) {
    HttpDocValues out;
    out.values.append({QStringLiteral("^title"), QStringLiteral("Korvi - Directory")});
    out.values.append({QStringLiteral("^foot_text"), FootText()});
    out.values.append({QStringLiteral("^foot_html"), FootHtml()});
    out.values.append({QStringLiteral("^page_url"), RelPath(root, folder)});

    QFileInfoList dirs;
    QFileInfoList files;
    const QFileInfoList entries = QDir(folder).entryInfoList(kAll, QDir::NoSort);
    for (const QFileInfo& e : entries) {
        // folder is canonical, so only a link can lead elsewhere.
        if (e.isSymLink() && !Inside(root, e.canonicalFilePath())) continue;
        if (e.isDir()) {
            if (QDir(e.absoluteFilePath()).isEmpty(kAll)) continue;
            dirs.append(e);
        } else {
            files.append(e);
        }
    }
    auto byName = [](const QFileInfo& a, const QFileInfo& b) {
        return a.fileName() < b.fileName();
    };
    std::sort(dirs.begin(), dirs.end(), byName);
    std::sort(files.begin(), files.end(), byName);

    QStringList name1, name2, name3, size, isDir, serial;
    int n = 0;
    for (const QFileInfo& d : dirs) {
        const QString enc = Encode(d.fileName());
        name1.append(d.fileName() + u'/');
        name2.append(enc + u'/');
        name3.append(enc + QStringLiteral("/Korvi?act=dir"));
        size.append(QStringLiteral("-"));
        isDir.append(QStringLiteral("true"));
        serial.append(QString::number(n++));
    }
    for (const QFileInfo& f : files) {
        name1.append(f.fileName());
        name2.append(Encode(f.fileName()));
        name3.append(QString(""));
        size.append(QString::number(f.size()));
        isDir.append(QStringLiteral("false"));
        serial.append(QString::number(n++));
    }
    out.lists.append({QStringLiteral("^file_name1"), name1});
    out.lists.append({QStringLiteral("^file_name2"), name2});
    out.lists.append({QStringLiteral("^file_name3"), name3});
    out.lists.append({QStringLiteral("^file_size"), size});
    out.lists.append({QStringLiteral("^is_directory"), isDir});
    out.lists.append({QStringLiteral("^serial_no"), serial});
    out.values.append({QStringLiteral("^no"), QString::number(n)});
    return out;
}

}  // namespace HttpSrvrDir

}  // namespace korvi
