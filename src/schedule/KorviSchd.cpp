#include "schedule/KorviSchd.h"

#include <QDir>
#include <QFile>

#include "shell/Assist.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kSection = QStringLiteral("Schedule");

QStringList Numbered(int from, int to) {
    QStringList out{KorviSchd::kWild};
    for (int i = from; i <= to; ++i) out.append(Assist::ChngNoToZeroStr(i, 2));
    return out;
}

}  // namespace

const QString KorviSchd::kWild = QStringLiteral("**");
const QString KorviSchd::kFolder = QStringLiteral("schedule");

const QStringList& KorviSchd::Headers() {
    static const QStringList h = {QStringLiteral("名前（保存フォルダ名）"),
                                  QStringLiteral("有効"),
                                  QStringLiteral("曜日"),
                                  QStringLiteral("日"),
                                  QStringLiteral("時"),
                                  QStringLiteral("分"),
                                  QStringLiteral("設定（お気に入り）"),
                                  QStringLiteral("実行種類"),
                                  QStringLiteral("表示種類")};
    return h;
}

const QStringList& KorviSchd::Keys() {
    static const QStringList k = {"name",   "enable", "week",   "day", "hour",
                                  "minute", "option", "action", "view"};
    return k;
}

const QStringList& KorviSchd::WeekTbl() {
    static const QStringList w = {kWild,
                                  QStringLiteral("日"),
                                  QStringLiteral("月"),
                                  QStringLiteral("火"),
                                  QStringLiteral("水"),
                                  QStringLiteral("木"),
                                  QStringLiteral("金"),
                                  QStringLiteral("土")};
    return w;
}

const QStringList& KorviSchd::DayTbl() {
    static const QStringList d = Numbered(1, 31);
    return d;
}

const QStringList& KorviSchd::HourTbl() {
    static const QStringList h = Numbered(0, 23);
    return h;
}

const QStringList& KorviSchd::MinuteTbl() {
    static const QStringList m = Numbered(0, 59);
    return m;
}

const QStringList& KorviSchd::ActionTbl() {
    static const QStringList a = {QStringLiteral("DL"), QStringLiteral("検索")};
    return a;
}

const QStringList& KorviSchd::ViewTbl() {
    static const QStringList v = {QStringLiteral("表示"), QStringLiteral("非表示")};
    return v;
}

QStringList KorviSchd::NewRow() {
    return {QStringLiteral("[year]_[month][day]_[hour][min]_[sec]"),
            QStringLiteral("1"),
            kWild,
            kWild,
            kWild,
            kWild,
            QString(""),
            ActionTbl().at(0),
            ViewTbl().at(0)};
}

QString KorviSchd::ChngSchdName(const QString& name, const Clock& clock) {
    const QDateTime t = clock.NowJst();
    auto two = [](int v) { return Assist::ChngNoToZeroStr(v, 2); };
    QString out = name;
    out = Assist::RepStr(out, QStringLiteral("[year]"), QString::number(t.date().year()));
    out = Assist::RepStr(out, QStringLiteral("[month]"), two(t.date().month()));
    out = Assist::RepStr(out, QStringLiteral("[day]"), two(t.date().day()));
    out = Assist::RepStr(out, QStringLiteral("[hour]"), two(t.time().hour()));
    out = Assist::RepStr(out, QStringLiteral("[min]"), two(t.time().minute()));
    out = Assist::RepStr(out, QStringLiteral("[sec]"), two(t.time().second()));
    return out;
}

void KorviSchd::InitLstData() {
    QList<QStringList> rows;
    const QDir dir(ctrl_.Abs(kFolder));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& f : files) {
        const Assist ini(ctrl_.LoadData(dir.filePath(f)));
        QStringList row;
        for (const QString& key : Keys()) row.append(ini.GetIni(kSection, key));
        if (!row.at(kName).isEmpty()) rows.append(row);
    }
    std::lock_guard lock(mutex_);
    rows_ = rows;
}

bool KorviSchd::SaveLstData() {
    const QList<QStringList> rows = Rows();
    const QString folder = ctrl_.Abs(kFolder);
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        ctrl_.SaveErrLog(QStringLiteral("KorviSchd SaveLstData Error : cannot create ") + folder);
        return false;
    }
    bool ok = true;
    for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!QFile::remove(dir.filePath(f))) {
            ctrl_.SaveErrLog(QStringLiteral("KorviSchd SaveLstData Error : cannot delete ") + f);
            ok = false;
        }
    }
    for (int i = 0; i < rows.size(); ++i) {
        Assist ini;
        for (int c = 0; c < kCols; ++c) ini.SetIni(kSection, Keys().at(c), rows.at(i).value(c));
        const QString file = dir.filePath(Assist::ChngNoToZeroStr(i, 8) + QStringLiteral(".ini"));
        ok = ctrl_.SaveData(file, ini.IniToStr()) && ok;
    }
    return ok;
}

QList<QStringList> KorviSchd::Rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

void KorviSchd::SetRows(const QList<QStringList>& rows) {
    std::lock_guard lock(mutex_);
    rows_ = rows;
}

void KorviSchd::AddRow(const QStringList& row) {
    std::lock_guard lock(mutex_);
    rows_.append(row);
}

bool KorviSchd::CopyRow(int i) {
    std::lock_guard lock(mutex_);
    if (i < 0 || i >= rows_.size()) return false;
    rows_.insert(i + 1, rows_.at(i));
    return true;
}

bool KorviSchd::DelRow(int i) {
    std::lock_guard lock(mutex_);
    if (i < 0 || i >= rows_.size()) return false;
    rows_.removeAt(i);
    return true;
}

int KorviSchd::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

}  // namespace korvi
