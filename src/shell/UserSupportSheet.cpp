#include "shell/UserSupportSheet.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QList>
#include <QPair>
#include <QSysInfo>

#include "shell/Context.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kTemplate = QStringLiteral("doc/user_support_sheet.txt");
const QString kOutput = QStringLiteral("tmp/user_support_sheet.txt");

// The text of a home file, "" when it is missing.
QString FileText(CtrlFile& ctrl, const QString& rel) {
    return QFileInfo(ctrl.Abs(rel)).isFile() ? ctrl.LoadDataEnc(rel) : QString();
}

}  // namespace

QString MkUserSupportSheet(Context& ctx, const QString& version, const QString& optFile) {
    CtrlFile& ctrl = ctx.Ctrl();
    QString sheet = FileText(ctrl, kTemplate);
    if (sheet.isEmpty()) return QString();
    // Longest placeholders first, so that none is a prefix of one already replaced.
    QList<QPair<QString, QString>> values = {
        {QStringLiteral("^time_now"), ctrl.GetTimeStr()},
        {QStringLiteral("^korvi_ver"), version},
        {QStringLiteral("^os_name"), QSysInfo::prettyProductName()},
        {QStringLiteral("^os_ver"), QSysInfo::kernelType() + u' ' + QSysInfo::kernelVersion()},
        {QStringLiteral("^exe_path"), ctx.Home()},
        {QStringLiteral("^cmn_opt"), FileText(ctrl, QStringLiteral("cmn_opt.ini"))},
        {QStringLiteral("^sel_opt"), optFile.isEmpty() ? QString() : FileText(ctrl, optFile)},
        {QStringLiteral("^theme"), FileText(ctrl, QStringLiteral("Korvi.theme"))},
        {QStringLiteral("^data_ini"), FileText(ctrl, QStringLiteral("data.ini"))},
        {QStringLiteral("^err_log"),
         FileText(ctrl, QStringLiteral("log_err/") + ctrl.RunId() + QStringLiteral(".log"))},
        {QStringLiteral("^java_ver"), QStringLiteral("Qt ") + QString::fromLatin1(qVersion())},
        {QStringLiteral("^java_vendor"),
         QStringLiteral("The Qt Company / ") + QSysInfo::buildAbi()},
    };
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    // One pass over the template, so that a value holding "^..." stays as it is.
    QString out;
    out.reserve(sheet.size());
    for (qsizetype i = 0; i < sheet.size();) {
        bool replaced = false;
        if (sheet[i] == u'^') {
            for (const auto& [key, value] : values) {
                if (QStringView(sheet).mid(i, key.size()) == key) {
                    out += value;
                    i += key.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += sheet[i++];
    }
    return out;
}

QString OutUserSupportSheet(Context& ctx, const QString& version, const QString& optFile) {
    const QString sheet = MkUserSupportSheet(ctx, version, optFile);
    if (sheet.isEmpty()) return QString();
    CtrlFile& ctrl = ctx.Ctrl();
    if (!ctrl.SaveData(kOutput, sheet)) return QString();
    return ctrl.Abs(kOutput);
}

}  // namespace korvi
