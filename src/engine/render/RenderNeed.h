#pragma once

#include <QString>

namespace korvi {

// Whether a fetched HTML page needs the browser to show its content (the
// "only pages that need it" rendering mode). A page without any script never
// does. A page with a script does when either
//  - its visible text is nearly empty: fewer than kNearlyEmpty letters once
//    scripts, styles, templates, comments and tags are taken out (an app
//    shell), or
//  - an inline script writes markup into the document (document.write,
//    innerHTML, outerHTML, insertAdjacentHTML, replaceChildren) or mounts an
//    application (createRoot, ReactDOM.render, createApp, new Vue).
bool PageNeedsRender(const QString& html);

inline constexpr int kNearlyEmpty = 100;

}  // namespace korvi
