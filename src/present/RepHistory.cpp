#include "present/RepHistory.h"

#include "shell/Assist.h"
#include "shell/CommonSettings.h"

namespace korvi {

void RepHistory::Add(const QString& text) {
    if (text.isEmpty()) return;
    items_.removeAll(text);
    items_.prepend(text);
    while (items_.size() > kMax) items_.removeLast();
}

void RepHistory::Read(const Assist& ini) {
    items_.clear();
    for (int i = 0; i < kMax; ++i) {
        const QString value = Unescape(ini.GetIni(name_, QString::number(i)));
        if (value.isEmpty()) break;
        if (!items_.contains(value)) items_ << value;
    }
}

void RepHistory::Write(Assist& ini) const {
    for (int i = 0; i < kMax; ++i) {
        const QString key = QString::number(i);
        if (i < items_.size()) {
            ini.SetIni(name_, key, Escape(items_[i]));
        } else if (!ini.GetIni(name_, key).isEmpty()) {
            ini.SetIni(name_, key, QString(""));
        }
    }
}

void RepHistory::Load(const CommonSettings& cmn) {
    Read(Assist(cmn.HeldText()));
}

bool RepHistory::Save(CommonSettings& cmn) const {
    return cmn.SaveHeld([this](Assist& ini) { Write(ini); });
}

QString RepHistory::Escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (c == u'\t') {
            out += QStringLiteral("\\t");
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else if (c == u'\r') {
            out += QStringLiteral("\\r");
        } else {
            out += c;
        }
    }
    // The settings reader trims the end of a line.
    qsizetype blanks = 0;
    while (blanks < out.size() && out[out.size() - 1 - blanks] == u' ') ++blanks;
    if (blanks > 0) {
        out.chop(blanks);
        out += QStringLiteral("\\s").repeated(blanks);
    }
    return out;
}

QString RepHistory::Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const QChar e = text[++i];
        if (e == u't') {
            out += u'\t';
        } else if (e == u'n') {
            out += u'\n';
        } else if (e == u'r') {
            out += u'\r';
        } else if (e == u's') {
            out += u' ';
        } else {
            out += e;
        }
    }
    return out;
}

}  // namespace korvi
