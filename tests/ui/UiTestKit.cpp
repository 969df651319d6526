#include "UiTestKit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace korvi::test {

void ScriptedDialogs::Record(const QString& kind, const QString& title, const QString& text) {
    shown.push_back({kind, title, text});
    if (onShown) onShown(shown.back());
}

QString ScriptedDialogs::NextInput() {
    if (inputs.empty()) return QString();
    QString v = inputs.front();
    inputs.pop_front();
    return v;
}

bool ScriptedDialogs::WasShown(const QString& title) const {
    for (const Shown& s : shown) {
        if (s.title == title) return true;
    }
    return false;
}

QString ScriptedDialogs::TextOf(const QString& title) const {
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        if (it->title == title) return it->text;
    }
    return QString();
}

QStringList ScriptedDialogs::Titles() const {
    QStringList t;
    for (const Shown& s : shown) t.append(s.title);
    return t;
}

void ScriptedDialogs::Message(QWidget*, const QString& title, const QString& text) {
    Record(QStringLiteral("message"), title, text);
}

Dialogs::Answer ScriptedDialogs::YesNo(QWidget*, const QString& title, const QString& text, bool) {
    Record(QStringLiteral("yesno"), title, text);
    if (yesNo.empty()) return Answer::kYes;
    const Answer a = yesNo.front();
    yesNo.pop_front();
    return a;
}

QString ScriptedDialogs::Input(QWidget*, const QString& title, const QString& text,
                               const QString&) {
    Record(QStringLiteral("input"), title, text);
    return NextInput();
}

int ScriptedDialogs::Choose(QWidget*, const QString& title, const QString& text,
                            const QStringList& items, int current) {
    Record(QStringLiteral("choose"), title, text);
    if (choices.empty()) return items.isEmpty() ? -1 : current;
    const int c = choices.front();
    choices.pop_front();
    return c;
}

QString ScriptedDialogs::OpenFile(QWidget*, const QString& title, const QString& dir,
                                  const QString&) {
    Record(QStringLiteral("open"), title, dir);
    return NextInput();
}

QString ScriptedDialogs::SaveFile(QWidget*, const QString& title, const QString& proposed,
                                  const QString&) {
    Record(QStringLiteral("save"), title, proposed);
    return NextInput();
}

QString ScriptedDialogs::ChooseFolder(QWidget*, const QString& title, const QString& dir) {
    Record(QStringLiteral("folder"), title, dir);
    return NextInput();
}

GuiHome::GuiHome()
    : gui_{Ctx(),
           dlg_,
           [this](const QString& target) {
               opened.append(target);
               return true;
           },
           {}} {}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs) return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

}  // namespace korvi::test
