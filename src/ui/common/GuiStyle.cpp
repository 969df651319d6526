#include "ui/common/GuiStyle.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include "ui/common/ThemePalette.h"

namespace korvi::ui {

namespace {

// Fusion derives the indicator outline from the window colour alone, which
// vanishes on a dark field. The indicator is drawn with a window colour from
// which Fusion derives an outline that reads on the field.
class KorviStyle : public QProxyStyle {
    Q_OBJECT
public:
    KorviStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {
        setObjectName(QStringLiteral("KorviStyle"));
    }

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (option && (pe == PE_IndicatorCheckBox || pe == PE_IndicatorRadioButton)) {
            const QColor outline = IndicatorOutline(option->palette);
            // Fusion: check box outline window.darker(140).lighter(110), radio window.darker(150).
            const QColor window = pe == PE_IndicatorCheckBox ? outline.darker(110).lighter(140)
                                                             : outline.lighter(150);
            if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
                QStyleOptionButton copy(*button);
                copy.palette.setColor(QPalette::Window, window);
                QProxyStyle::drawPrimitive(pe, &copy, painter, widget);
            } else {
                QStyleOption copy(*option);
                copy.palette.setColor(QPalette::Window, window);
                QProxyStyle::drawPrimitive(pe, &copy, painter, widget);
            }
            return;
        }
        QProxyStyle::drawPrimitive(pe, option, painter, widget);
    }
};

}  // namespace

QStyle* MakeGuiStyle() {
    return new KorviStyle();
}

bool IsGuiStyle(const QStyle* style) {
    return qobject_cast<const KorviStyle*>(style) != nullptr;
}

void ApplyGuiStyle(QApplication& app) {
    app.setStyle(MakeGuiStyle());
}

}  // namespace korvi::ui

#include "GuiStyle.moc"
