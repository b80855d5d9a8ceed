// The window's push buttons: a focus frame that shows which one the keyboard is on, a caption
// centred in the part of the button that other controls leave free, and a caption in a warning
// colour for a choice that changes the user's files.
#pragma once

#include <QPushButton>
#include <QRect>

namespace ui {

class BatchButton : public QPushButton {
    Q_OBJECT
public:
    explicit BatchButton(const QString& caption, QWidget* parent = nullptr);

    // The part of the button (its own coordinates) the caption is centred in; the whole button
    // unless set. Blanks around the caption are not drawn, so it centres on its characters.
    void setCaptionArea(const QRect& area);
    QRect captionArea() const;

    // The caption drawn in a warning colour that suits the palette (light or dark).
    void setWarning(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect area;
    bool warns = false;
};

} // namespace ui
