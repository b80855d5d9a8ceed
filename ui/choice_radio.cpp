#include "ui/choice_radio.h"

#include <QKeyEvent>

namespace ui {

namespace {

QList<ChoiceRadio*> groupOf(QWidget* radio) {
    QWidget* panel = radio->parentWidget();
    return panel ? panel->findChildren<ChoiceRadio*>(Qt::FindDirectChildrenOnly)
                 : QList<ChoiceRadio*>{};
}

} // namespace

ChoiceRadio::ChoiceRadio(const QString& caption, QWidget* parent) : QRadioButton(caption, parent) {
    setAutoExclusive(true);
    connect(this, &QRadioButton::toggled, this, &ChoiceRadio::placeTabStop);
    placeTabStop();
}

void ChoiceRadio::placeTabStop() {
    const QList<ChoiceRadio*> group = groupOf(this);
    if (group.isEmpty())
        return;
    ChoiceRadio* stop = group.front();
    for (ChoiceRadio* radio : group)
        if (radio->isChecked()) {
            stop = radio;
            break;
        }
    // The others still take the focus when clicked.
    for (ChoiceRadio* radio : group)
        radio->setFocusPolicy(radio == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

void ChoiceRadio::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    default:
        QRadioButton::keyPressEvent(event);
        return;
    }
    // In the group's order, round from the last to the first, skipping radios that are off.
    const QList<ChoiceRadio*> group = groupOf(this);
    const qsizetype count = group.size();
    qsizetype at = group.indexOf(this);
    for (qsizetype tried = 1; tried < count; ++tried) {
        at = (at + step + count) % count;
        ChoiceRadio* next = group[at];
        if (next->isEnabled() && next->isVisibleTo(parentWidget())) {
            next->setFocus(Qt::TabFocusReason);
            next->click();
            break;
        }
    }
    event->accept();
}

} // namespace ui
