#include "ui/common/GuiContext.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace korvi {

void AssertGuiThread(const char* where) {
#ifndef NDEBUG
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        std::fprintf(stderr, "korvi: widget touched off the GUI thread in %s\n", where);
        std::abort();
    }
#else
    (void)where;
#endif
}

}  // namespace korvi
