#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

#include "store/DocNotify.h"

namespace korvi {

class CtrlFile;

// A table of data rows for template data sections: the header holds the
// placeholder names ("^serial_no", "^no", ...), each row one value per name.
struct DocTable {
    QStringList header;
    std::vector<QStringList> rows;
};

// Composes documents from an output type: a body file cut at "&|&" into
// pieces; "^data=" pieces repeat a row template once per data row, pieces
// naming a parameter become its value, conditional pieces go through MkDocPrm.
//
// A data piece is "^data=" + data file name + line break + row template; the
// name is looked up first among the tables handed in with SetData, then as a
// file (relative to the body's folder) in the data file format.
class OutTemplate {
public:
    explicit OutTemplate(CtrlFile& ctrl, DocMessageFn message = {});

    // Name of the body file of an output-type folder: the last name in the
    // folder listing that begins with "body"; "" when there is none (and, when
    // the folder cannot be listed, logged).
    QString GetOutRtName(const QString& typeFolder);

    // A data table for data sections naming it (replaces any earlier one).
    void SetData(const QString& name, const DocTable& table);
    void ClearData() { tables_.clear(); }

    // The composed document; "" when composing stopped on an error.
    QString MkDocBody(const QString& bodyPath, const QStringList& params);
    // The rows of one data section; "" on an error (and Failed() turns true).
    QString MkDocData(const QString& section, const QString& dataFolder, const QStringList& params);
    // The output text of a condition ("==Top/text", "!=x/text") for a value.
    static QString MkDocPrm(const QString& value, const QString& condition);

    // Whether data values are escaped for the output's extension.
    static bool IsMarkupExtension(const QString& extension);
    static QString EscapeMarkup(const QString& text);
    // Sets the output extension that MkDocBody otherwise takes from the body.
    void SetOutExtension(const QString& extension) { out_ext_ = extension.toLower(); }
    bool Failed() const { return failed_; }

    // The data file format: header line, then one line per row, every line
    // ending in ",\n"; "%", ",", CR and LF inside values are written %25, %2C,
    // %0D, %0A so that a value never splits a row.
    static QString FormatDataFile(const DocTable& table);
    static bool ParseDataFile(const QString& text, DocTable* table, bool* countMismatch);

private:
    QString Substitute(const QString& rowTemplate, const QStringList& names,
                       const QStringList& values, const QStringList& params) const;
    QString DataValue(const QString& value) const;
    void Fail(const QString& log, const QString& title, const QString& text);

    CtrlFile& ctrl_;
    DocMessageFn message_;
    QMap<QString, DocTable> tables_;
    QString out_ext_;
    bool failed_ = false;
};

}  // namespace korvi
