#include "server/HttpSrvrOptEdit.h"

#include <QFileInfo>
#include <QStringList>

#include "server/HttpSrvrOpt.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kOptFile = QStringLiteral("server/opt.ini");
const QString kServer = QStringLiteral("HttpServer");
const QString kMount = QStringLiteral("UrlMount");
const QString kSaveTitle = QStringLiteral("HttpServer設定保存");
constexpr int kPortMax = 65535;
constexpr int kReloadMax = 86400;

// The section a line opens, or a null string when it is no header (read as
// the settings parser reads headers).
QString HeaderOf(const QString& line) {
    const QString t = Assist::Trim(line);
    if (t.startsWith(u'[') && t.size() >= 3) return t.mid(1, t.size() - 2);
    return QString();
}

bool IsKeyLine(const QString& line, const QString& key) {
    const QString t = Assist::Trim(line);
    const qsizetype eq = t.indexOf(u'=');
    return eq >= 0 && t.left(eq) == key;
}

// A whole decimal number within [low, high]; false otherwise.
bool ReadNumber(const QString& text, int low, int high, int* out) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9) return false;
    for (QChar c : t) {
        if (c < u'0' || c > u'9') return false;
    }
    const int v = t.toInt();
    if (v < low || v > high) return false;
    *out = v;
    return true;
}

}  // namespace

HttpSrvrOptEdit HttpSrvrOptEdit::Load(CtrlFile& ctrl) {
    HttpSrvrOptEdit e;
    const QString text =
        QFileInfo::exists(ctrl.Abs(kOptFile)) ? ctrl.LoadData(kOptFile) : QString("");
    HttpSrvrOpt opt;
    opt.Load(text);
    e.use = opt.use;
    e.port = opt.port;
    e.reload_sec = opt.reload_sec;
    e.access = opt.access;
    const Assist ini(text);
    e.um_use = ini.GetIni(kMount, QStringLiteral("use")) == u"1";
    e.um_url = ini.GetIni(kMount, QStringLiteral("url"));
    e.um_password = ini.GetIni(kMount, QStringLiteral("password"));
    return e;
}

QString SetIniKeepLines(const QString& text, const QString& section, const QString& key,
                        const QString& value) {
    QStringList lines = text.split(u'\n');
    // A final line break leaves an empty last element; it is put back at the end.
    const bool endsWithBreak = !lines.isEmpty() && lines.last().isEmpty();
    if (endsWithBreak) lines.removeLast();
    const QString row = key + u'=' + value;

    qsizetype header = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (HeaderOf(lines[i]) == section) {
            header = i;
            break;
        }
    }
    if (header < 0) {
        if (!lines.isEmpty() && !Assist::Trim(lines.last()).isEmpty()) lines.append(QString(""));
        lines.append(u'[' + section + u']');
        lines.append(row);
        return lines.join(u'\n') + u'\n';
    }
    qsizetype end = header + 1;
    while (end < lines.size() && HeaderOf(lines[end]).isNull()) ++end;
    for (qsizetype i = header + 1; i < end; ++i) {
        if (IsKeyLine(lines[i], key)) {
            lines[i] = row;
            return lines.join(u'\n') + (endsWithBreak ? QStringLiteral("\n") : QString(""));
        }
    }
    // After the section's last non-blank line, so a blank separator stays.
    qsizetype at = end;
    while (at > header + 1 && Assist::Trim(lines[at - 1]).isEmpty()) --at;
    lines.insert(at, row);
    return lines.join(u'\n') + u'\n';
}

bool SaveHttpSrvrOpt(CtrlFile& ctrl, const HttpSrvrOptEdit& e) {
    // Line breaks and tabs would split a value into rows of their own.
    auto clean = [](QString v) {
        v.remove(u'\r');
        v.remove(u'\n');
        v.remove(u'\t');
        return v;
    };
    QString text = QFileInfo::exists(ctrl.Abs(kOptFile)) ? ctrl.LoadData(kOptFile) : QString("");
    auto set = [&text](const QString& section, const QString& key, const QString& value) {
        text = SetIniKeepLines(text, section, key, value);
    };
    set(kServer, QStringLiteral("use"), e.use ? QStringLiteral("1") : QStringLiteral("0"));
    set(kServer, QStringLiteral("port"), QString::number(e.port));
    set(kServer, QStringLiteral("q_reload_sec"), QString::number(e.reload_sec));
    set(kServer, QStringLiteral("access"), QString::number(e.access));
    set(kMount, QStringLiteral("use"), e.um_use ? QStringLiteral("1") : QStringLiteral("0"));
    set(kMount, QStringLiteral("url"), clean(e.um_url));
    set(kMount, QStringLiteral("password"), clean(e.um_password));
    return ctrl.SetEnableDir(kOptFile) && ctrl.SaveData(kOptFile, text);
}

HttpSrvrOptSaved SaveHttpSrvrOpt(CtrlFile& ctrl, HttpSrvrOptEdit edit, const QString& port,
                                 const QString& reloadSec) {
    const QString warning = kSaveTitle + QStringLiteral("警告");
    if (!ReadNumber(port, 0, kPortMax, &edit.port)) {
        return {false,
                {warning, QStringLiteral("ポートには 0 から ") + QString::number(kPortMax) +
                              QStringLiteral(" までの数字を入力して下さい。")}};
    }
    if (!ReadNumber(reloadSec, 1, kReloadMax, &edit.reload_sec)) {
        return {false,
                {warning, QStringLiteral("クエリー・リロード秒数には 1 から ") +
                              QString::number(kReloadMax) +
                              QStringLiteral(" までの数字を入力して下さい。")}};
    }
    if (!SaveHttpSrvrOpt(ctrl, edit)) {
        return {false,
                {kSaveTitle + QStringLiteral("エラー"),
                 QStringLiteral("HttpServerの設定を保存できませんでした。")}};
    }
    return {true, {kSaveTitle, QStringLiteral("HttpServerの設定を保存しました。")}};
}

}  // namespace korvi
