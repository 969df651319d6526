#include "engine/RunRenderer.h"

#include <algorithm>

#include "engine/RunControl.h"
#include "engine/render/PageRenderer.h"
#include "store/CtrlFile.h"

namespace korvi {

std::shared_ptr<PageRenderer> MakeRunRenderer(const CrawlServices& services,
                                              const RunSettings& settings) {
    RenderSettings r;
    r.userAgent = settings.worker.userAgent;
    r.tabs = std::clamp(settings.thrdMax, 1, 4);
    CtrlFile* ctrl = services.ctrl;
    return std::make_shared<PageRenderer>(r, [ctrl](const QString& line) {
        if (ctrl) ctrl->SaveErrLog(line);
    });
}

}  // namespace korvi
