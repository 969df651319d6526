#pragma once

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace korvi::test {

// While it lives, hands each real modal dialog (QtDialogs) to answer once,
// from a timer inside the dialog's own loop, and records its title.
struct RealModal {
    explicit RealModal(std::function<void(QDialog*)> answer) {
        // A test before may have ended the application (the server's exit),
        // which ends every later modal loop at once; one more turn of the
        // application's loop clears that.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QObject::connect(&timer, &QTimer::timeout, [this, answer] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d || d->property("answered").toBool()) return;
            d->setProperty("answered", true);
            titles.append(d->windowTitle());
            answer(d);
        });
        timer.start(20);
    }
    QStringList titles;
    QTimer timer;
};

}  // namespace korvi::test
