#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace korvi {

class CtrlFile;
class WarcWriter;
struct CrawlServices;

// The web archive a run leaves beside its folder when its profile (or the
// command line) asks for one: a warcinfo record at each start, then the
// request and response records of every page fetch.
class RunWarc {
public:
    // An empty path writes "<run folder>.warc.gz".
    void Configure(bool on, const QString& path, const QString& profileName,
                   const QString& optText);
    bool On() const { return on_; }
    // The file of the last Open; "" before.
    QString Path() const { return path_; }

    // Opens the file and gives the run's fetches a recorder; a file that
    // cannot be opened is logged and the run goes on without it.
    void Open(CtrlFile& ctrl, qint64 startMs, CrawlServices& services);
    void Close(CrawlServices& services);

private:
    bool on_ = false;
    QString wanted_;
    QString profile_;
    QString opt_text_;
    QString path_;
    std::shared_ptr<WarcWriter> writer_;
};

}  // namespace korvi
