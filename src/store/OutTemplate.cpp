#include "store/OutTemplate.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "shell/Assist.h"
#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

const QString kSeparator = QStringLiteral("&|&");
const QString kDataCommand = QStringLiteral("^data=");
const QString kBodyTitle = QStringLiteral("文書合成～本体");
const QString kDataTitle = QStringLiteral("文書合成～データ");
const QString kSizeText = QStringLiteral("ベクター・サイズが異常です。文書の合成を停止します。");

QString EncodeValue(const QString& v) {
    QString out;
    out.reserve(v.size());
    for (QChar c : v) {
        switch (c.unicode()) {
            case u'%':
                out += QStringLiteral("%25");
                break;
            case u',':
                out += QStringLiteral("%2C");
                break;
            case u'\r':
                out += QStringLiteral("%0D");
                break;
            case u'\n':
                out += QStringLiteral("%0A");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString DecodeValue(const QString& v) {
    if (!v.contains(u'%')) return v;
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v.at(i) == u'%' && i + 2 < v.size()) {
            const QString code = v.mid(i + 1, 2).toUpper();
            QChar c;
            if (code == QStringLiteral("25"))
                c = u'%';
            else if (code == QStringLiteral("2C"))
                c = u',';
            else if (code == QStringLiteral("0D"))
                c = u'\r';
            else if (code == QStringLiteral("0A"))
                c = u'\n';
            if (!c.isNull()) {
                out += c;
                i += 2;
                continue;
            }
        }
        out += v.at(i);
    }
    return out;
}

QString Placeholder(const QString& name) {
    return name.startsWith(u'^') ? name : QStringLiteral("^") + name;
}

}  // namespace

OutTemplate::OutTemplate(CtrlFile& ctrl, DocMessageFn message)
    : ctrl_(ctrl), message_(std::move(message)) {}

void OutTemplate::Fail(const QString& log, const QString& title, const QString& text) {
    failed_ = true;
    ctrl_.SaveErrLog(log);
    if (message_) message_(title, text);
}

QString OutTemplate::GetOutRtName(const QString& typeFolder) {
    const QDir dir(ctrl_.Abs(typeFolder));
    if (typeFolder.isEmpty() || !dir.exists()) {
        ctrl_.SaveErrLog(QStringLiteral("HttpSrvr OutDir Error : out tmplt not found ") +
                         typeFolder);
        return QString("");
    }
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QString body("");
    for (const QString& n : names) {
        if (n.startsWith(QStringLiteral("body"))) body = n;
    }
    return body;
}

void OutTemplate::SetData(const QString& name, const DocTable& table) {
    tables_[name] = table;
}

bool OutTemplate::IsMarkupExtension(const QString& extension) {
    if (extension.isEmpty()) return false;
    return QStringLiteral(",html,htm,xml,cgi,php,asp,").contains(u',' + extension.toLower() + u',');
}

QString OutTemplate::EscapeMarkup(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
            case u'&':
                out += QStringLiteral("&amp;");
                break;
            case u'<':
                out += QStringLiteral("&lt;");
                break;
            case u'>':
                out += QStringLiteral("&gt;");
                break;
            case u'"':
                out += QStringLiteral("&quot;");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString OutTemplate::DataValue(const QString& value) const {
    if (IsMarkupExtension(out_ext_)) return EscapeMarkup(value);
    // A CSV body quotes its fields; a quote inside a value is doubled.
    if (out_ext_ == QStringLiteral("csv")) return Assist::RepStr(value, "\"", "\"\"");
    return value;
}

QString OutTemplate::MkDocPrm(const QString& value, const QString& condition) {
    const bool equal = condition.startsWith(QStringLiteral("=="));
    if (!equal && !condition.startsWith(QStringLiteral("!="))) {
        return QStringLiteral("Param Set Err! : 演算子が正しくありません。");
    }
    const QString rest = condition.mid(2);
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0) return QString("");
    const bool same = value == rest.left(slash);
    return same == equal ? rest.mid(slash + 1) : QString("");
}

QString OutTemplate::MkDocBody(const QString& bodyPath, const QStringList& params) {
    failed_ = false;
    if (params.size() % 2 != 0) {
        Fail(QStringLiteral("C_File MakeDoc Body Error : Vector size Injustice"), kBodyTitle,
             kSizeText);
        return QString("");
    }
    const QString abs = ctrl_.Abs(bodyPath);
    if (bodyPath.isEmpty() || !QFileInfo(abs).isFile()) {
        Fail(QStringLiteral("C_File MakeDoc Body Error : not fund") + bodyPath, kBodyTitle,
             QStringLiteral("本体を指定したパス「") + bodyPath +
                 QStringLiteral("」が見つかりませんでした。"));
        return QString("");
    }
    out_ext_ = QFileInfo(abs).suffix().toLower();
    // The body as written, without the line-end normalising of LoadData.
    const QString text = DecodeText(ctrl_.LoadBytes(bodyPath));
    const QString folder = QFileInfo(abs).absolutePath();

    QString out;
    out.reserve(text.size() * 2);
    for (const QString& piece : text.split(kSeparator)) {
        if (piece.startsWith(kDataCommand)) {
            const QString rows = MkDocData(piece.mid(kDataCommand.size()), folder, params);
            if (failed_) return QString("");
            out += rows;
            continue;
        }
        // The longest parameter name that begins the piece decides.
        int best = -1;
        for (int i = 0; i + 1 < params.size(); i += 2) {
            const QString& name = params.at(i);
            if (name.isEmpty() || !piece.startsWith(name)) continue;
            if (best < 0 || name.size() > params.at(best).size()) best = i;
        }
        if (best < 0) {
            out += piece;
        } else if (piece.size() == params.at(best).size()) {
            out += params.at(best + 1);
        } else {
            out += MkDocPrm(params.at(best + 1), piece.mid(params.at(best).size()));
        }
    }
    return out;
}

QString OutTemplate::MkDocData(const QString& section, const QString& dataFolder,
                               const QStringList& params) {
    if (params.size() % 2 != 0) {
        Fail(QStringLiteral("C_File MakeDoc Body Error : Vector size Illegal"), kDataTitle,
             kSizeText);
        return QString("");
    }
    const qsizetype nl = section.indexOf(u'\n');
    const QString name = Assist::Trim(nl < 0 ? section : section.left(nl));
    const QString rowTemplate = nl < 0 ? QString("") : section.mid(nl + 1);

    DocTable table;
    if (tables_.contains(name)) {
        table = tables_.value(name);
        for (const QStringList& row : table.rows) {
            if (row.size() != table.header.size()) {
                Fail(QStringLiteral("C_File MakeDoc Body Error : Vector DataNo Illegal"),
                     kDataTitle,
                     QStringLiteral("ベクター内のデータ数が異常です。文書の合成を停止します。"));
                return QString("");
            }
        }
    } else {
        const QString path =
            name.isEmpty() || QDir::isAbsolutePath(name) ? name : dataFolder + u'/' + name;
        if (name.isEmpty() || !QFileInfo(ctrl_.Abs(path)).isFile()) {
            Fail(QStringLiteral("C_File MakeDoc Data Error : not fund"), kDataTitle,
                 QStringLiteral("データを指定したパス「") + path +
                     QStringLiteral("」が見つかりませんでした。"));
            return QString("");
        }
        bool mismatch = false;
        ParseDataFile(ctrl_.LoadData(path), &table, &mismatch);
        if (mismatch) {
            Fail(QStringLiteral("C_File MakeDoc Body Error : DataNo Illegal"), kDataTitle,
                 QStringLiteral("データ数が異常です。文書の合成を停止します。"));
            return QString("");
        }
    }

    QStringList names;
    for (const QString& h : table.header) names.append(Placeholder(h));
    QString out;
    for (const QStringList& row : table.rows) {
        QStringList values;
        values.reserve(row.size());
        for (const QString& v : row) values.append(DataValue(v));
        out += Substitute(rowTemplate, names, values, params);
    }
    return out;
}

QString OutTemplate::Substitute(const QString& rowTemplate, const QStringList& names,
                                const QStringList& values, const QStringList& params) const {
    // One pass from left to right, the longest name at each "^" winning, so
    // that a value is never scanned again for placeholders.
    QString out;
    out.reserve(rowTemplate.size() * 2);
    qsizetype i = 0;
    const qsizetype n = rowTemplate.size();
    while (i < n) {
        const qsizetype hat = rowTemplate.indexOf(u'^', i);
        if (hat < 0) {
            out += QStringView(rowTemplate).mid(i);
            break;
        }
        out += QStringView(rowTemplate).mid(i, hat - i);
        const QStringView rest = QStringView(rowTemplate).mid(hat);
        qsizetype bestLen = 0;
        const QString* bestValue = nullptr;
        for (qsizetype c = 0; c < names.size(); ++c) {
            if (names.at(c).size() > bestLen && rest.startsWith(names.at(c))) {
                bestLen = names.at(c).size();
                bestValue = &values.at(c);
            }
        }
        for (qsizetype p = 0; p + 1 < params.size(); p += 2) {
            const QString& name = params.at(p);
            if (name.size() > bestLen && name.startsWith(u'^') && rest.startsWith(name)) {
                bestLen = name.size();
                bestValue = &params.at(p + 1);
            }
        }
        if (bestValue) {
            out += *bestValue;
            i = hat + bestLen;
        } else {
            out += u'^';
            i = hat + 1;
        }
    }
    return out;
}

QString OutTemplate::FormatDataFile(const DocTable& table) {
    QString out;
    for (const QString& h : table.header) out += EncodeValue(h) + u',';
    out += u'\n';
    for (const QStringList& row : table.rows) {
        for (const QString& v : row) out += EncodeValue(v) + u',';
        out += u'\n';
    }
    return out;
}

bool OutTemplate::ParseDataFile(const QString& text, DocTable* table, bool* countMismatch) {
    table->header.clear();
    table->rows.clear();
    if (countMismatch) *countMismatch = false;
    bool first = true;
    for (QString line : text.split(u'\n')) {
        line.remove(u'\r');
        if (line.isEmpty()) continue;
        if (line.endsWith(u',')) line.chop(1);
        QStringList cells = line.split(u',');
        for (QString& c : cells) c = DecodeValue(c);
        if (first) {
            table->header = cells;
            first = false;
            continue;
        }
        if (cells.size() != table->header.size()) {
            if (countMismatch) *countMismatch = true;
            return false;
        }
        table->rows.push_back(cells);
    }
    return !first;
}

}  // namespace korvi
