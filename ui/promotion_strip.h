// The strip along the window's top edge (white under a light palette): the maker's banner
// sliding to and fro, and the product's home-page icon and link, which open the program's own
// help page.
#pragma once

#include <functional>
#include <memory>

#include <QColor>
#include <QLabel>
#include <QObject>
#include <QPalette>
#include <QPixmap>
#include <QString>

class QTimer;

namespace platform {
class PrivateFolder;
}

namespace ui {

// A label that reports a left-button click (the strip's images and the link).
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed = false;
};

// A text label with a link target; a click opens the target.
class HyperLinker : public ClickableLabel {
    Q_OBJECT
public:
    explicit HyperLinker(const QString& caption, QWidget* parent = nullptr);

    QString linkTarget() const { return target; }
    void setLinkTarget(const QString& linkTarget) { target = linkTarget; }

private:
    QString target;
};

// One step of the banner's slide. The banner moves one pixel per step; it turns right once its
// left edge has fallen below 20, and left once its right edge has passed 20 pixels short of the
// home-page tile. With the window's layout it swings between left 19 and left 298.
struct SlideStep {
    int left;
    bool slidingLeft;
};
SlideStep promotionStep(int left, int width, bool slidingLeft, int homeTileLeft);

// Opens an address or a local path with the desktop's handler.
using WebOpener = std::function<void(const QString& target)>;

// The help page as a file a browser can open. An installed program opens the page installed
// beside it and writes nothing; otherwise the page bundled in the program is written, with its
// pictures, into a fresh folder only this user can enter, removed when the object goes (at
// exit). A shared folder is never written through a fixed name.
class HelpPage {
public:
    // `programFolder` is the executable's folder (<prefix>/bin when installed).
    explicit HelpPage(QString programFolder);
    ~HelpPage();
    HelpPage(const HelpPage&) = delete;
    HelpPage& operator=(const HelpPage&) = delete;

    // The page's path, written on the first call; empty when it could not be written.
    QString path();

private:
    QString programFolder;
    std::unique_ptr<platform::PrivateFolder> folder;
    QString written;
};

// <prefix>/share/qingfengxia/help/index.html for a program in <prefix>/bin when that file
// exists; empty otherwise.
QString installedHelpPage(const QString& programFolder);

// The address the strip's link carries for the help page; opening it opens HelpPage::path().
QString helpPageAddress();

// Drives the strip: the 20 ms slide timer and the clicks on the banner, icon and link. The banner
// slides only while someone may be looking: its window shown, not minimised and active, and
// some input has come within the rest time; the first input after that wakes it again.
class PromotionStrip : public QObject {
    Q_OBJECT
public:
    // `strip` is the white panel holding the three controls; the strip takes them as built by
    // the control table.
    PromotionStrip(QWidget* strip, ClickableLabel* banner, ClickableLabel* homeIcon,
                   HyperLinker* homeLink, WebOpener openWebPage, QObject* parent = nullptr);

    // The timer step: moves the banner one pixel and turns it at the ends.
    void promotionTick();
    bool slidingLeft() const { return sliding; }
    QTimer* timer() const { return ticker; }
    // Runs out `restTime` after the last input; then the slide rests.
    QTimer* restTimer() const { return rest; }
    static constexpr int restTime = 15000; // milliseconds

    // The maker's web page: the program's own help page, like the home page.
    QString makerPageAddress() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openTarget(const QString& target);
    // Draws the pictures again when the screen's pixel ratio is not the one they were drawn at.
    void drawPictures();
    // Colours the strip and its link after the window's palette, and draws the pictures on it.
    void followPalette();
    // Starts or stops the slide as the window's state and the last input want it.
    void slideWhenWatched();

    QWidget* strip;
    ClickableLabel* banner;
    ClickableLabel* homeIcon;
    qreal picturesRatio = 0;
    QColor picturesBackground;
    HyperLinker* homeLink;
    WebOpener open;
    QTimer* ticker;
    QTimer* rest;
    std::unique_ptr<HelpPage> helpPage;
    bool sliding = false;
};

// The strip's pictures, drawn here so the program carries no foreign artwork. Sizes are in
// device-independent pixels; the picture holds size * devicePixelRatio pixels, so it stays
// sharp on a scaled screen.
// `background` fills what lies around the drawing: the strip's colour.
QPixmap drawMakerBanner(int width, int height, qreal devicePixelRatio = 1.0,
                        const QColor& background = Qt::white);
QPixmap drawHomePageIcon(int size, qreal devicePixelRatio = 1.0,
                         const QColor& background = Qt::white);

// The strip's colours for a palette: the classic white strip and blue link under a light one;
// a dark one's base and link colours, so that the strip does not glare and the link reads.
struct StripColours {
    QColor background;
    QColor link;
};
StripColours stripColours(const QPalette& palette);

} // namespace ui
