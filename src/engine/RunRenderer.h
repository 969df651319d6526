#pragma once

#include <memory>

namespace korvi {

struct CrawlServices;
struct RunSettings;
class PageRenderer;

// The headless browser of a run that renders pages: one tab per worker, at
// most four, the run's user agent, failures in the run's error log.
std::shared_ptr<PageRenderer> MakeRunRenderer(const CrawlServices& services,
                                              const RunSettings& settings);

}  // namespace korvi
