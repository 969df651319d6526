#include "engine/crawl/ScriptHook.h"

#include <QThread>

#include <exception>

#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kMarker = QStringLiteral("[start]");

}  // namespace

QString ScriptHook::EncodeArg(const QString& text) {
    QString out = text;
    out.replace(u'/', QStringLiteral("#esc_slash#"));
    out.replace(u' ', QStringLiteral("#esc_space#"));
    return out;
}

FltrResult ScriptHook::FltrStr(const QString& scriptPath, const QString& text) {
    FltrResult result;
    if (!busy_.TryAcquire()) return result;
    result.text = text;
    try {
        const QString arg = QStringLiteral("--") + kMarker + EncodeArg(text);
        const ScriptOutcome run = runner_.Run(scriptPath, {arg}, timeout_ms_);
        if (!run.Ok()) {
            // A script that failed half way must not cut the page short.
            result.status = FltrResult::Status::kFailed;
            ctrl_.SaveErrLog(QStringLiteral("FltrFrcdLink Exec Error : ") + run.error);
        } else {
            const QString out = QString::fromUtf8(run.std_out);
            const qsizetype at = out.indexOf(kMarker);
            if (at < 0) {
                result.status = FltrResult::Status::kNoMarker;
            } else {
                result.status = FltrResult::Status::kReplaced;
                result.text = out.mid(at + kMarker.size());
            }
        }
    } catch (const std::exception& e) {
        result.status = FltrResult::Status::kFailed;
        result.text = text;
        ctrl_.SaveErrLog(QStringLiteral("FltrFrcdLink Exec Error : ") +
                         QString::fromUtf8(e.what()));
    }
    busy_.Release();
    return result;
}

QString RetryFltr(const std::function<FltrResult()>& attempt, ScriptBusy& busy,
                  const SleepFn& sleep, const QString& text, int attempts) {
    for (int n = 0; n < attempts; ++n) {
        if (n % 150 == 149) busy.Release();
        const FltrResult r = attempt();
        if (r.status != FltrResult::Status::kBusy) return r.text;
        if (sleep) sleep(kFltrRetrySleepMs);
    }
    return text;
}

QString CallFltrStr(ScriptHook& hook, const QString& scriptPath, const QString& text,
                    const SleepFn& sleep) {
    return RetryFltr([&] { return hook.FltrStr(scriptPath, text); }, hook.Busy(), sleep, text);
}

void SleepMs(int ms) {
    QThread::msleep(ms < 0 ? 0 : ulong(ms));
}

}  // namespace korvi
