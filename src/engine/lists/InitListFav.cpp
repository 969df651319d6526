#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

#include "engine/lists/InitList.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

// Sections of a favourite that are not profile settings.
bool ListOrCommonSection(const QString& name) {
    return name == QLatin1String("BaseData") || name == QLatin1String("AllLinks") ||
           name == QLatin1String("SearchBox") || name == QLatin1String("CommonOption");
}

}  // namespace

bool InitList::SaveFav(const QString& path, const FavOpt& opt) const {
    if (path.isEmpty() || !ctrl_.SetEnableDir(path)) return false;
    QString text = ListText();
    text += opt.profile.IniToStr();
    text += QStringLiteral("\n[SearchBox]\nstring0=") + opt.searchWords + QStringLiteral("\n\n") +
            QStringLiteral("[CommonOption]\n");
    text += QStringLiteral("option_type=") + opt.optionType + u'\n';
    text += QStringLiteral("search_type=") + opt.searchType + u'\n';
    text += QStringLiteral("case_insensitive=") + opt.caseInsensitive + u'\n';
    text += QStringLiteral("high_light=") + opt.highLight + u'\n';
    return ctrl_.SaveData(path, text);
}

FavOpt InitList::LoadFav_Opt(const QString& path) const {
    FavOpt opt;
    const Assist ini(ctrl_.LoadData(path));
    const QStringList& keys = ini.Keys();
    const QStringList& values = ini.Values();
    QString section;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys.at(i) == QLatin1String("[")) {
            section = values.at(i);
            continue;
        }
        if (section.isEmpty() || keys.at(i).isEmpty() || ListOrCommonSection(section)) continue;
        opt.profile.SetIni(section, keys.at(i), values.at(i));
    }
    opt.searchWords = ini.GetIni(QStringLiteral("SearchBox"), QStringLiteral("string0"));
    const QString common = QStringLiteral("CommonOption");
    const QString type = ini.GetIni(common, QStringLiteral("option_type"));
    if (!type.isEmpty()) opt.optionType = type;
    opt.searchType = ini.GetIni(common, QStringLiteral("search_type"));
    opt.caseInsensitive = ini.GetIni(common, QStringLiteral("case_insensitive"));
    opt.highLight = ini.GetIni(common, QStringLiteral("high_light"));
    return opt;
}

int InitList::AddShortcutFolder(const QString& folder, bool recursive) {
    const QString root = ctrl_.Abs(folder);
    QStringList files;
    QDirIterator it(root,
                    {QStringLiteral("*.url"), QStringLiteral("*.desktop"), QStringLiteral("*.lnk")},
                    QDir::Files | QDir::Readable,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) files.append(it.next());
    std::sort(files.begin(), files.end());
    int count = 0;
    for (const QString& file : files) {
        ++count;
        ReadSrchLst(file, true);
        if (status_)
            status_(QStringLiteral("  ") + QString::number(count) +
                    QStringLiteral(" 件取り込み済み..."));
    }
    return count;
}

}  // namespace korvi
