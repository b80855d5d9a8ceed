#include "ui/batch_button.h"

#include <QPainter>
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

void BatchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    style()->drawItemText(&painter, captionArea(), Qt::AlignCenter | Qt::TextShowMnemonic,
                          palette(), isEnabled(), text().trimmed(), QPalette::ButtonText);

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
