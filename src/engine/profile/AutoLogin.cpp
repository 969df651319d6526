#include "engine/profile/AutoLogin.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStringList>

#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {
const QString kUrlSection = QStringLiteral("URL");
const QString kQuerySection = QStringLiteral("QUERY");
}  // namespace

void AutoLogin::InitAutoLogin(CtrlFile& ctrl, const QString& folder) {
    auto table = std::make_shared<Table>();
    const QDir dir(ctrl.Abs(folder));
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& file : files) {
        const QString text = ctrl.LoadData(file.absoluteFilePath());
        if (text.trimmed().isEmpty()) continue;
        const Assist ini(text);
        if (ini.GetIni(kUrlSection, QStringLiteral("avoid")).toLower() == u"true") continue;
        const QString url = ini.GetIni(kUrlSection, QStringLiteral("url"));
        if (url.isEmpty()) continue;
        table->insert(url, text);
    }
    QMutexLocker lock(&mutex_);
    table_ = std::move(table);
}

QString AutoLogin::ChkAutoLogin(const QString& url) const {
    if (url.isEmpty()) return url;
    std::shared_ptr<const Table> table;
    {
        QMutexLocker lock(&mutex_);
        table = table_;
    }
    if (!table) return url;
    const auto it = table->constFind(url);
    if (it == table->constEnd()) return url;

    const Assist ini(it.value());
    QStringList rows;
    for (int n = 0;; ++n) {
        const QString row = ini.GetIniRow(kQuerySection, n);
        if (row.isEmpty()) break;
        if (row.startsWith(u'=')) continue;  // a bare line, not a parameter
        rows.append(row);
    }
    if (rows.isEmpty()) return url;
    return url + (url.contains(u'?') ? u'&' : u'?') + rows.join(u'&');
}

int AutoLogin::Count() const {
    QMutexLocker lock(&mutex_);
    return table_ ? static_cast<int>(table_->size()) : 0;
}

}  // namespace korvi
