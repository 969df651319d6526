#include "engine/RunWarc.h"

#include <QDateTime>
#include <QFileInfo>

#include "engine/crawl/CrawlServices.h"
#include "engine/crawl/FetchRecorder.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"
#include "warc/RunWarcExport.h"
#include "warc/WarcCapture.h"
#include "warc/WarcWriter.h"

namespace korvi {

namespace {

class WarcRecorder final : public FetchRecorder {
public:
    explicit WarcRecorder(std::unique_ptr<WarcCapture> capture) : capture_(std::move(capture)) {}
    void Begin() override { capture_->Begin(); }
    void RequestSent(const QByteArray& url, const char* data, size_t size) override {
        capture_->RequestSent(url, data, static_cast<qint64>(size));
    }
    void HeaderReceived(const char* data, size_t size) override {
        capture_->HeaderReceived(data, static_cast<qint64>(size));
    }
    void BodyReceived(const char* data, size_t size) override {
        capture_->BodyReceived(data, static_cast<qint64>(size));
    }
    void Settle(Outcome outcome) override {
        capture_->Settle(outcome == Outcome::kStored ? WarcCapture::Outcome::kStored
                         : outcome == Outcome::kKept ? WarcCapture::Outcome::kKept
                                                     : WarcCapture::Outcome::kDropped);
    }
    void RenderedDom(const QByteArray& dom) override { capture_->RenderedDom(dom); }

private:
    std::unique_ptr<WarcCapture> capture_;
};

// "name: Section.key=value" lines of the profile text.
WarcFields ProfileFields(const QString& profile, const QString& optText) {
    WarcFields out;
    out.append(WarcField{"korvi-profile", profile.toUtf8()});
    QString section;
    for (const QString& raw : optText.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2);
        } else if (line.contains(u'=')) {
            out.append(WarcField{"korvi-option", (section + u'.' + line).toUtf8()});
        }
    }
    return out;
}

}  // namespace

void RunWarc::Configure(bool on, const QString& path, const QString& profileName,
                        const QString& optText) {
    on_ = on;
    wanted_ = path;
    profile_ = profileName;
    opt_text_ = optText;
}

void RunWarc::Open(CtrlFile& ctrl, qint64 startMs, CrawlServices& services) {
    services.recorder = nullptr;
    writer_.reset();
    if (!on_) return;
    path_ = wanted_.isEmpty() ? ctrl.Abs(ctrl.RunFolder()) + QStringLiteral(".warc.gz") : wanted_;
    auto writer = std::make_shared<WarcWriter>(path_);
    const QByteArray infoId = NewWarcRecordId();
    WarcFields info = ProfileFields(profile_, opt_text_);
    info.prepend(WarcField{"korvi-run", ctrl.RunId().toUtf8()});
    info.append(WarcField{"start-time", WarcDate(startMs)});
    if (!ctrl.SetEnableDir(path_) || !writer->Open() ||
        !WriteWarcinfo(*writer, infoId, startMs, QFileInfo(path_).fileName().toUtf8(), info)) {
        ctrl.SaveErrLog(QStringLiteral("Warc Open Error : ") + writer->ErrorText() +
                        QStringLiteral("  ") + path_);
        return;
    }
    writer_ = writer;
    const Clock* clock = services.clock;
    const QString spool = QFileInfo(path_).absolutePath();
    services.recorder = [writer, infoId, clock, spool]() -> std::unique_ptr<FetchRecorder> {
        auto now = [clock] { return clock ? clock->NowMs() : QDateTime::currentMSecsSinceEpoch(); };
        return std::make_unique<WarcRecorder>(
            std::make_unique<WarcCapture>(writer, infoId, now, spool));
    };
}

void RunWarc::Close(CrawlServices& services) {
    services.recorder = nullptr;
    writer_.reset();
}

}  // namespace korvi
