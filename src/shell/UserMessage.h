#pragma once

#include <QString>

namespace korvi {

// A message box for a window to show: title and text. Headless operations
// return one instead of opening a dialog themselves; an empty title means
// there is nothing to show.
struct UserMessage {
    QString title;
    QString text;

    bool IsEmpty() const { return title.isEmpty() && text.isEmpty(); }
};

}  // namespace korvi
