#include "server/ServerDocs.h"

#include <QDir>

#include <chrono>
#include <exception>
#include <thread>

#include "server/HttpSrvr.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"
#include "tools/LogSrch.h"

namespace korvi::ServerDocs {

namespace {

// Rows handed to MkDocTable sit below this stand-in root, so that it makes
// the addresses relative to the server root.
constexpr int kPollMs = 20;

const QString kVirtualRoot = QStringLiteral("/korvi-server-root");

QString Render(CtrlFile& ctrl, const QString& typeFolder, const QString& rootName,
               const QStringList& params, const QString& tableName, const DocTable& table) {
    try {
        OutTemplate tmpl(ctrl);
        tmpl.SetData(tableName, table);
        return tmpl.MkDocBody(QDir(typeFolder).filePath(rootName), params);
    } catch (const std::exception& e) {
        ctrl.SaveErrLog(QStringLiteral("HttpSrvr Render Error : ") +
                        QString::fromLocal8Bit(e.what()));
    }
    return QString("");
}

FltMode ToFlt(LogSrchRequest::Filter f) {
    switch (f) {
        case LogSrchRequest::Filter::In:
            return FltMode::In;
        case LogSrchRequest::Filter::Out:
            return FltMode::Out;
        default:
            return FltMode::All;
    }
}

SizeMode ToSize(LogSrchRequest::Size s) {
    switch (s) {
        case LogSrchRequest::Size::Up:
            return SizeMode::Up;
        case LogSrchRequest::Size::Down:
            return SizeMode::Down;
        default:
            return SizeMode::All;
    }
}

}  // namespace

QStringList MkParams(const HttpDocValues& values) {
    QStringList out;
    for (const auto& v : values.values) {
        out << v.first
            << (v.first.endsWith(QStringLiteral("_html")) ? v.second
                                                          : OutTemplate::EscapeMarkup(v.second));
    }
    return out;
}

DocTable MkDirTable(const HttpDocValues& values) {
    DocTable t;
    qsizetype n = -1;
    for (const auto& l : values.lists) {
        t.header.append(l.first);
        n = n < 0 ? l.second.size() : qMin(n, l.second.size());
    }
    for (qsizetype i = 0; i < n; ++i) {
        QStringList row;
        for (const auto& l : values.lists) row.append(l.second.at(i));
        t.rows.push_back(row);
    }
    return t;
}

DocTable MkSrchTable(const std::vector<QStringList>& rows) {
    std::vector<SrchRow> srch;
    QStringList rel;
    QStringList size;
    for (const QStringList& r : rows) {
        if (r.size() < 6) continue;
        SrchRow s;
        s.no = r.at(0).toInt();
        s.text = r.at(1);
        s.fileName = r.at(2);
        s.path = kVirtualRoot + u'/' + r.at(3);
        s.sizeKb = r.at(4).toLongLong();
        s.extension = r.at(5);
        srch.push_back(s);
        rel.append(r.at(3));
        size.append(r.at(4));
    }
    DocTable t = LogSrch::MkDocTable(srch, kVirtualRoot);
    const qsizetype pathCol = t.header.indexOf(QStringLiteral("^path"));
    const qsizetype sizeCol = t.header.indexOf(QStringLiteral("^size"));
    for (size_t i = 0; i < t.rows.size(); ++i) {
        if (pathCol >= 0) t.rows[i][pathCol] = rel.at(qsizetype(i));
        if (sizeCol >= 0) t.rows[i][sizeCol] = size.at(qsizetype(i));
    }
    return t;
}

HttpSrvrDocs MkDocs(CtrlFile& ctrl) {
    HttpSrvrDocs d;
    d.getOutRtName = [&ctrl](const QString& typeFolder) {
        OutTemplate tmpl(ctrl);
        return tmpl.GetOutRtName(typeFolder);
    };
    d.renderDir = [&ctrl](const QString& typeFolder, const QString& rootName,
                          const HttpDocValues& values) {
        return Render(ctrl, typeFolder, rootName, MkParams(values), kDirTable, MkDirTable(values));
    };
    d.renderSearch = [&ctrl](const QString& typeFolder, const QString& rootName,
                             const HttpDocValues& values, const std::vector<QStringList>& rows) {
        const DocTable table = MkSrchTable(rows);
        HttpDocValues page = values;
        if (page.Value(QStringLiteral("^no")).isNull()) {
            page.values.append({QStringLiteral("^no"), QString::number(table.rows.size())});
        }
        return Render(ctrl, typeFolder, rootName, MkParams(page), kSrchTable, table);
    };
    return d;
}

LogSrchFn MkLogSrch(CtrlFile& ctrl, Matcher& matcher, StoreIndex* index) {
    return [&ctrl, &matcher, index](const LogSrchRequest& r, const std::atomic<bool>& stop) {
        std::vector<QStringList> out;
        try {
            SrchRequest q;
            q.folder = r.folder;
            q.words = r.extract ? QString("") : Assist::Trim(r.words);
            q.filter = ToFlt(r.filter);
            q.filterText = r.filter_text;
            q.size = ToSize(r.size);
            q.sizeKb = r.size_kb;
            LogSrch srch(ctrl, matcher);
            srch.SetIndex(index);
            // Two searches may run at once beside the channels: one thread
            // each, and a bounded result.
            srch.SetThreads(1);
            srch.SetMaxRows(kSrchRowsMax);
            if (!srch.StartSrch(q)) return out;
            // Watched in short steps: the page is there as soon as the walk
            // ends, and a shutdown stops it at once.
            while (srch.IsRunning()) {
                if (stop.load()) srch.Stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            }
            srch.Wait();
            for (const SrchRow& row : srch.Rows()) {
                out.push_back({QString::number(row.no), row.text, row.fileName, row.path,
                               QString::number(row.sizeKb), row.extension});
            }
        } catch (const std::exception& e) {
            ctrl.SaveErrLog(QStringLiteral("HttpSrvr ExecKorvi Error : ") +
                            QString::fromLocal8Bit(e.what()));
            out.clear();
        }
        return out;
    };
}

ContentTypeTable::TextProbe MkTextProbe(CtrlFile& ctrl) {
    return [&ctrl](const QString& path) { return !ctrl.LoadDataEnc(path).isEmpty(); };
}

void Wire(HttpSrvr& srvr, CtrlFile& ctrl, Matcher& matcher, StoreIndex* index) {
    srvr.SetDocs(MkDocs(ctrl));
    srvr.SetLogSrch(MkLogSrch(ctrl, matcher, index));
    srvr.SetTextProbe(MkTextProbe(ctrl));
}

}  // namespace korvi::ServerDocs
