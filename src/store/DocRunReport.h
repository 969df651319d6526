#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "store/DocNotify.h"
#include "store/OutTemplate.h"

namespace korvi {

class CtrlFile;

// What a report is made of: the rows with the placeholder of each cell, and
// the run's start page, base and words.
struct RunReportInput {
    QString title;
    // Placeholder names of the cells in row order ("^title", "^url", ...);
    // empty for the run list's twelve columns (ColumnKeys).
    QStringList keys;
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

    // Whether the type's folder and its body file exist; when not, logged and
    // shown ("出力") as the output command does.
    bool ChkOutType(const QString& typeName);

    // Writes the report of the rows through the type into reportParent + "/" +
    // the title made a safe folder name, and hands it to the opener (when
    // there is one). Returns the document path, "" on a failure (shown and
    // logged as the run list does).
    QString OutTmplt(const QString& typeName, const RunReportInput& input,
                     const QString& reportParent = QStringLiteral("report"));

    // The start page, base and root of the rows: the first row at depth 1
    // (the first row when the rows have no depth); base = start page, root =
    // its server root ("scheme://host/").
    static void SetStartPage(RunReportInput& input);
    static QString ServerRoot(const QString& url);

    // The report's data table: "^serial_no", the row keys (the run list's
    // columns when empty), then the run list's keys the rows lack, so that a
    // type made for the run list composes any rows: those cells are "", and
    // "^no" is the row's number counted from 1.
    static DocTable MkTable(const std::vector<QStringList>& rows,
                            const QStringList& keys = QStringList());

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
