// A radio of one of the window's choice groups as a keyboard user meets it: Tab stops at the
// group's selected radio only (at its first when none is), and the arrow keys select the
// previous or next radio of the group, as a button group's radios do.
#pragma once

#include <QRadioButton>

namespace ui {

class ChoiceRadio : public QRadioButton {
    Q_OBJECT
public:
    // The radios sharing `parent` form one group, in the order they are created.
    ChoiceRadio(const QString& caption, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Makes the group's selected radio its only Tab stop.
    void placeTabStop();
};

} // namespace ui
