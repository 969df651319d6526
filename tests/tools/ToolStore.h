#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

#include "fixtures/TempHome.h"

// Readable values in assertion failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{' << l.join("|").toStdString() << '}';
}

namespace korvi::test {

// One link of a list file: URL, title, extension.
struct ListLink {
    QString url;
    QString title;
    QString extension;
};

// Writes a list file in the layout the crawler leaves beside each page.
inline void WriteListFile(TempHome& th, const QString& rel, const QString& pageUrl,
                          const QString& pageTitle, const std::vector<ListLink>& links) {
    QString t = "[BaseData]\np_url=" + pageUrl + "\np_title=" + pageTitle +
                "\n\n[AllLinks]\nlink_no=" + QString::number(links.size()) + "\n";
    for (size_t i = 0; i < links.size(); ++i) {
        const QString n = QString::number(i);
        t += "link" + n + "=" + links[i].url + "\ntitle" + n + "=" + links[i].title +
             "\nextension" + n + "=" + links[i].extension + "\n";
    }
    th.Write(rel, t.toUtf8());
}

// A trailer tag as the crawler appends it.
inline QByteArray FootTag(const QString& ref, const QString& src) {
    QString t = "\n<?xml-qorn \ntag_ver=\"1.00\" \ndl_ref=\"" + ref + "\" \ndl_src=\"" + src +
                "\" \ndl_time=\"2006/03/09 - 07:05:02\" \ndl_cmnt=\"\" \n";
    for (const char* a : {"author", "athr_url", "athr_e-mail", "athr_ver", "athr_date",
                          "athr_file-name", "athr_cmnt"}) {
        t += QString::fromLatin1(a) + "=\"\" \n";
    }
    return (t + "?>").toUtf8();
}

// Files whose names are given in bytes, which need not be UTF-8 (stores
// copied from other systems hold such names).
inline std::filesystem::path RawPath(const QString& folder, const QByteArray& rel = {}) {
    return std::filesystem::path(QFile::encodeName(folder).toStdString()) / rel.toStdString();
}
inline bool WriteRaw(const QString& folder, const QByteArray& rel, const QByteArray& bytes) {
    std::filesystem::create_directories(RawPath(folder, rel).parent_path());
    std::ofstream out(RawPath(folder, rel), std::ios::binary);
    return bool(out.write(bytes.constData(), bytes.size()));
}
inline QByteArray ReadRaw(const QString& folder, const QByteArray& rel) {
    std::ifstream in(RawPath(folder, rel), std::ios::binary);
    return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}
// Removes a folder when it goes, with the names its temporary home leaves.
struct RawTreeRemover {
    QString folder;
    ~RawTreeRemover() {
        std::error_code ec;
        std::filesystem::remove_all(RawPath(folder), ec);
    }
};

}  // namespace korvi::test
