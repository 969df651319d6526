#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "store/DocNotify.h"
#include "store/OutTemplate.h"

namespace korvi {

class CtrlFile;

// What a run-list report is made of: the run list rows (the twelve columns
// No .. 参照元) and the run's start page, base and words.
struct RunReportInput {
    QString title;
    std::vector<QStringList> rows;
    QString pageUrl;
    QString pageTitle;
    QString baseUrl;
    QString rootUrl;
    QStringList words;
};

// The output command of the run list: copies an output type into a report
// folder, writes "search_log_log.csv", composes the body and opens it.
class DocRunReport {
public:
    DocRunReport(CtrlFile& ctrl, DocMessageFn message, DocProgressFn progress, DocOpenFn opener);

    // Credit texts for "^foot_text" and "^foot_html".
    static QString Version() { return QStringLiteral("1.302"); }
    static QString FootText();
    static QString FootHtml();
    // Placeholders of the run list's columns, in column order.
    static QStringList ColumnKeys();

    // The output types in "out_templet", "デフォルト" first, the rest by name;
    // empty (and a message) when there are none.
    QStringList ListOutTypes();

    // Writes the report of the rows through the type into reportParent + "/" +
    // the title made a safe folder name, and hands it to the opener (when
    // there is one). Returns the document path, "" on a failure (shown and
    // logged as the run list does).
    QString OutTmplt(const QString& typeName, const RunReportInput& input,
                     const QString& reportParent = QStringLiteral("report"));

    // The report's data table: "^serial_no" then the column keys.
    static DocTable MkTable(const std::vector<QStringList>& rows);

private:
    bool CopyDir(const QString& from, const QString& to);
    void Message(const QString& title, const QString& text) const;
    void Progress(const QString& text) const;

    CtrlFile& ctrl_;
    DocMessageFn message_;
    DocProgressFn progress_;
    DocOpenFn opener_;
};

}  // namespace korvi
