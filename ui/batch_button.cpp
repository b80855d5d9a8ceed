#include "ui/batch_button.h"

#include <QColor>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QStyle>
#include <QStyleOptionButton>

namespace ui {

BatchButton::BatchButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void BatchButton::setCaptionArea(const QRect& captionArea) {
    area = captionArea;
    update();
}

QRect BatchButton::captionArea() const {
    return area.isValid() ? area & rect() : rect();
}

void BatchButton::setWarning(bool on) {
    if (warns != on) {
        warns = on;
        update();
    }
}

namespace {

// Orange-red, dark on a light button and light on a dark one, so that it reads on either.
QColor warningColour(const QPalette& palette) {
    return palette.color(QPalette::Button).lightness() < 128 ? QColor(255, 150, 80)
                                                             : QColor(176, 40, 0);
}

} // namespace

void BatchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    // Taken from the palette as it is now, so that the colour follows a palette change.
    QPalette captionPalette = palette();
    if (warns && isEnabled())
        captionPalette.setColor(QPalette::ButtonText, warningColour(captionPalette));
    style()->drawItemText(&painter, captionArea(), Qt::AlignCenter | Qt::TextShowMnemonic,
                          captionPalette, isEnabled(), text().trimmed(), QPalette::ButtonText);

    // Styles that show focus only after a Tab press leave a clicked or default-focused button
    // looking idle; this frame shows it always.
    if (hasFocus()) {
        constexpr int inset = 4;
        QPen pen(palette().color(QPalette::Highlight), 2);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
    }
}

} // namespace ui
