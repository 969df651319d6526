#pragma once

// Helpers shared by the crawler tests: a worker wired to a temporary home.

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <chrono>
#include <memory>
#include <thread>

#include "engine/RunControl.h"
#include "engine/crawl/CrawlServices.h"
#include "engine/crawl/SrchThrd.h"
#include "fixtures/TempHome.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi::test {

inline std::shared_ptr<CrawlServices> MakeServices(TempHome& th) {
    auto s = std::make_shared<CrawlServices>();
    s->ctrl = &th.Ctrl();
    s->clock = &th.GetClock();
    return s;
}

// Run settings with the given slots and no hit, page, time or depth limit.
inline RunSettings UnlimitedRun(int slots) {
    RunSettings set;
    set.thrdMax = slots;
    set.hitMax = set.pageMax = set.connectSec = set.getSec = set.depthMax = 0;
    return set;
}

inline std::shared_ptr<SrchThrd> MakeWorker(std::shared_ptr<const CrawlServices> s,
                                            const QString& url, const SrchThrdSettings& set = {},
                                            const QString& referrer = QString()) {
    auto w = SrchThrd::Create(std::move(s), set);
    w->SetRow(1, url, QStringLiteral("t"), QStringLiteral("html"), 1, referrer);
    w->SetLocalPath(w->Services().ctrl->GetLogFrdr(url));
    return w;
}

inline void SetMtime(const QString& path, qint64 ms) {
    QFile f(path);
    if (f.open(QIODevice::ReadWrite | QIODevice::Append))
        f.setFileTime(QDateTime::fromMSecsSinceEpoch(ms), QFileDevice::FileModificationTime);
}

inline qint64 Mtime(const QString& path) {
    return QFileInfo(path).lastModified().toMSecsSinceEpoch();
}

// Polls a condition for up to `ms`; for waiting on other threads only.
template <class F>
bool WaitFor(F cond, int ms = 5000) {
    for (int i = 0; i < ms / 2; ++i) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return cond();
}

}  // namespace korvi::test

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
