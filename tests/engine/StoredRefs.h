#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include "engine/page/OfflineLinks.h"

namespace korvi::test {

// Checks every reference of every stored page and style sheet below root:
// none may still point at the site (siteUrl), every relative one must name a
// stored file. Returns how many references were checked.
inline int CheckStoredRefs(const QString& root, const QString& siteUrl) {
    int checked = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (file.endsWith(" lst.ini") || file.endsWith("cgi%%q.txt")) continue;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read " << file.toStdString();
            continue;
        }
        const QString text = QString::fromUtf8(f.readAll());
        const bool html = file.endsWith(".html") || text.contains("<html");
        const bool css = !html && (file.contains(".css") || text.contains("@import"));
        if (!html && !css) continue;
        const QDir dir = QFileInfo(file).absoluteDir();
        const RefTarget check = [&](const QString& ref) {
            if (ref.isEmpty() || ref.startsWith('#')) return QString();
            EXPECT_FALSE(ref.startsWith(siteUrl))
                << "left pointing at the site: " << ref.toStdString() << " in "
                << file.toStdString();
            if (ref.contains("://")) return QString();
            const QString path = QUrl::fromPercentEncoding(ref.left(ref.indexOf('#')).toUtf8());
            EXPECT_TRUE(QFileInfo(dir.filePath(path)).isFile())
                << ref.toStdString() << " in " << file.toStdString();
            ++checked;
            return QString();
        };
        if (css)
            RewriteCssRefs(text, check);
        else
            RewriteHtmlRefs(text, check);
    }
    return checked;
}

}  // namespace korvi::test
