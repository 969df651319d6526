#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace korvi {

// One colour of a theme, each part 0..255.
struct ThemeRgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    bool operator==(const ThemeRgb&) const = default;
};

// A theme file: a properties text naming the theme and up to eight colours
// of the look. Keys that are missing (or whose value does not parse) stay
// unset, so the look keeps its own colour for them.
class PropMetal {
public:
    enum Slot {
        kPrimary1,
        kPrimary2,
        kPrimary3,
        kSecondary1,
        kSecondary2,
        kSecondary3,
        kBlack,
        kWhite,
        kSlotCount
    };

    static inline const QString kDefaultName = QStringLiteral("Custom Theme");

    PropMetal() = default;

    // Replaces the theme by the one in the text (or the bytes, decoded as the
    // program reads text files).
    void loadProperties(const QString& text);
    void loadProperties(const QByteArray& bytes);

    QString Name() const { return name_; }
    std::optional<ThemeRgb> Color(Slot slot) const { return colors_[slot]; }
    // The property key of a slot ("primary1", ..., "white").
    static QString Key(Slot slot);

    // "r,g,b" with optional blanks around each number; anything else prints
    // "Couldn't parse color : " + value on standard error and gives no colour.
    static std::optional<ThemeRgb> parseColor(const QString& value);

private:
    QString name_ = kDefaultName;
    std::array<std::optional<ThemeRgb>, kSlotCount> colors_{};
};

}  // namespace korvi
