#include "present/PropMetal.h"

#include <QStringList>

#include <cstdio>

#include "present/Properties.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

// A colour part: decimal digits only, 0..255.
std::optional<int> ColorPart(const QString& part) {
    const QString digits = part.trimmed();
    if (digits.isEmpty() || digits.size() > 3) return std::nullopt;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
    }
    const int v = digits.toInt();
    if (v > 255) return std::nullopt;
    return v;
}

}  // namespace

QString PropMetal::Key(Slot slot) {
    static const char* const kKeys[kSlotCount] = {"primary1",   "primary2",   "primary3",
                                                  "secondary1", "secondary2", "secondary3",
                                                  "black",      "white"};
    return QString::fromLatin1(kKeys[slot]);
}

void PropMetal::loadProperties(const QString& text) {
    const QHash<QString, QString> props = ParseProperties(text);
    name_ = props.value(QStringLiteral("name"), kDefaultName);
    for (int s = 0; s < kSlotCount; ++s) {
        const auto it = props.constFind(Key(static_cast<Slot>(s)));
        colors_[s] = it == props.constEnd() ? std::nullopt : parseColor(it.value());
    }
}

void PropMetal::loadProperties(const QByteArray& bytes) {
    loadProperties(DecodeText(bytes));
}

std::optional<ThemeRgb> PropMetal::parseColor(const QString& value) {
    const QStringList parts = value.split(u',');
    std::optional<int> rgb[3];
    if (parts.size() == 3) {
        for (int i = 0; i < 3; ++i) rgb[i] = ColorPart(parts[i]);
    }
    if (!rgb[0] || !rgb[1] || !rgb[2]) {
        const QByteArray line = (QStringLiteral("Couldn't parse color : ") + value).toUtf8();
        std::fprintf(stderr, "%s\n", line.constData());
        return std::nullopt;
    }
    return ThemeRgb{*rgb[0], *rgb[1], *rgb[2]};
}

}  // namespace korvi
