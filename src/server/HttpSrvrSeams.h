#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

namespace korvi {

// Values handed to the output-template engine: single values ("^title") and
// per-row lists ("^file_name1").
struct HttpDocValues {
    QList<QPair<QString, QString>> values;
    QList<QPair<QString, QStringList>> lists;

    QString Value(const QString& name) const;
    QStringList List(const QString& name) const;
};

// The template engine as the server uses it.
struct HttpSrvrDocs {
    // Body-file name of an output-type folder (GetOutRtName); "" when none.
    std::function<QString(const QString& typeFolder)> getOutRtName;
    // Renders a directory page through typeFolder/rootName.
    std::function<QString(const QString& typeFolder, const QString& rootName,
                          const HttpDocValues& values)>
        renderDir;
    // Renders search results (rows of No, context, file name, path, size,
    // extension; the path already relative to the server root).
    std::function<QString(const QString& typeFolder, const QString& rootName,
                          const HttpDocValues& values, const std::vector<QStringList>& rows)>
        renderSearch;
};

// One downloaded-file search asked for by a browser.
struct LogSrchRequest {
    enum class Filter { All, In, Out };
    enum class Size { All, Up, Down };

    QString folder;  // canonical folder to walk
    QString words;   // "" for an extraction
    bool extract = false;
    Filter filter = Filter::All;
    QString filter_text = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp");
    Size size = Size::All;
    int size_kb = 30;
};

// Runs one search to its end and returns its rows. Called on a channel thread;
// two calls may run at once, each must use a search of its own. stop turns
// true when the server shuts down.
using LogSrchFn =
    std::function<std::vector<QStringList>(const LogSrchRequest&, const std::atomic<bool>& stop)>;

}  // namespace korvi
