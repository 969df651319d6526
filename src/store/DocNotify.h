#pragma once

#include <QString>

#include <functional>

namespace korvi {

// How headless operations talk to whoever runs them: a message box (title,
// text), a progress line, and handing a file or URL to its default program.
using DocMessageFn = std::function<void(const QString& title, const QString& text)>;
using DocProgressFn = std::function<void(const QString& text)>;
// True when the program was started; the argument is a path or a URL.
using DocOpenFn = std::function<bool(const QString& target)>;

}  // namespace korvi
