// The promotion strip: the banner's slide, the clicks, the strip's own pictures and help page.
#include "ui/promotion_strip.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include "platform/private_folder.h"

// Resources of a static library are registered by hand, outside any namespace.
static void registerHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace ui {

ClickableLabel::ClickableLabel(QWidget* parent) : ClickableLabel(QString(), parent) {}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click) {
        emit clicked();
    }
}

HyperLinker::HyperLinker(const QString& caption, QWidget* parent)
    : ClickableLabel(caption, parent) {
    setAlignment(Qt::AlignCenter);
}

StripColours stripColours(const QPalette& palette) {
    if (palette.color(QPalette::Window).lightness() >= 128)
        return {Qt::white, QColor(0, 0, 238)};
    QColor link = palette.color(QPalette::Link);
    // A dark theme that left the link its light-theme blue would show it dark on dark.
    if (link.lightness() < 128)
        link = palette.color(QPalette::WindowText);
    return {palette.color(QPalette::Base), link};
}

SlideStep promotionStep(int left, int width, bool slidingLeft, int homeTileLeft) {
    if (slidingLeft) {
        --left;
        return {left, !(left < 20)};
    }
    ++left;
    const int right = left + width;
    const int limit = homeTileLeft - 20;
    return {left, right - limit > 0};
}

PromotionStrip::PromotionStrip(QWidget* stripPanel, ClickableLabel* bannerImage,
                               ClickableLabel* homeIconImage, HyperLinker* homePageLink,
                               WebOpener openWebPage, QObject* parent)
    : QObject(parent), strip(stripPanel), banner(bannerImage), homeIcon(homeIconImage),
      homeLink(homePageLink), open(std::move(openWebPage)), ticker(new QTimer(this)),
      rest(new QTimer(this)),
      helpPage(std::make_unique<HelpPage>(QCoreApplication::applicationDirPath())) {
    strip->setAutoFillBackground(true);
    followPalette();
    strip->installEventFilter(this);
    homeIcon->setAlignment(Qt::AlignCenter);
    QFont underlined = homeLink->font();
    underlined.setUnderline(true);
    homeLink->setFont(underlined);
    homeLink->setLinkTarget(helpPageAddress());

    connect(banner, &ClickableLabel::clicked, this, [this] { openTarget(makerPageAddress()); });
    connect(homeIcon, &ClickableLabel::clicked, this,
            [this] { openTarget(homeLink->linkTarget()); });
    connect(homeLink, &ClickableLabel::clicked, this,
            [this] { openTarget(homeLink->linkTarget()); });

    ticker->setObjectName(QStringLiteral("时钟官网"));
    ticker->setInterval(20);
    connect(ticker, &QTimer::timeout, this, &PromotionStrip::promotionTick);
    ticker->start();

    rest->setObjectName(QStringLiteral("时钟静止"));
    rest->setSingleShot(true);
    rest->setInterval(restTime);
    connect(rest, &QTimer::timeout, this, &PromotionStrip::slideWhenWatched);
    rest->start();
    strip->window()->installEventFilter(this);
    // Input anywhere in the program counts, as it reaches the application first.
    QCoreApplication::instance()->installEventFilter(this);
}

void PromotionStrip::slideWhenWatched() {
    const QWidget* window = strip->window();
    const bool watched = window->isVisible() && !window->isMinimized() &&
                         window->isActiveWindow() && rest->isActive();
    if (watched != ticker->isActive()) {
        if (watched)
            ticker->start();
        else
            ticker->stop();
    }
}

void PromotionStrip::followPalette() {
    const StripColours colours = stripColours(strip->window()->palette());
    QPalette stripPalette = strip->palette();
    stripPalette.setColor(QPalette::Window, colours.background);
    strip->setPalette(stripPalette);
    QPalette linkPalette = homeLink->palette();
    linkPalette.setColor(QPalette::WindowText, colours.link);
    homeLink->setPalette(linkPalette);
    drawPictures();
}

void PromotionStrip::drawPictures() {
    const qreal ratio = strip->devicePixelRatioF();
    const QColor background = strip->palette().color(QPalette::Window);
    if (ratio == picturesRatio && background == picturesBackground)
        return;
    picturesRatio = ratio;
    picturesBackground = background;
    banner->setPixmap(drawMakerBanner(banner->width(), banner->height(), ratio, background));
    homeIcon->setPixmap(drawHomePageIcon(homeIcon->width(), ratio, background));
}

bool PromotionStrip::eventFilter(QObject* watched, QEvent* event) {
    // The window may open on, or move to, a screen of another scale than the one it was built
    // for.
    if (watched == strip &&
        (event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal))
        drawPictures();
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        rest->start();
        slideWhenWatched();
        break;
    case QEvent::PaletteChange:
        if (watched == strip->window())
            followPalette();
        break;
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
    case QEvent::ActivationChange:
        if (watched == strip->window())
            slideWhenWatched();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void PromotionStrip::promotionTick() {
    const SlideStep step = promotionStep(banner->x(), banner->width(), sliding, homeLink->x());
    sliding = step.slidingLeft;
    banner->move(step.left, banner->y());
}

QString PromotionStrip::makerPageAddress() const {
    return helpPageAddress();
}

void PromotionStrip::openTarget(const QString& target) {
    QString opened = target;
    if (target == helpPageAddress()) {
        opened = helpPage->path();
        // A page that could not be written is not opened; the strip reports nothing.
        if (opened.isEmpty()) {
            return;
        }
    }
    if (open) {
        open(opened);
    }
}

namespace {

// A picture of `width` x `height` device-independent pixels for painting at `ratio`.
QPixmap blankPicture(int width, int height, qreal ratio, const QColor& background) {
    QPixmap pixmap(QSize(width, height) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(background);
    return pixmap;
}

} // namespace

QPixmap drawMakerBanner(int width, int height, qreal devicePixelRatio, const QColor& background) {
    QPixmap pixmap = blankPicture(width, height, devicePixelRatio, background);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(0x2e, 0x8b, 0x57));
    sky.setColorAt(1, QColor(0x1e, 0x5a, 0x8c));
    QPainterPath card;
    card.addRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 8, 8);
    painter.fillPath(card, sky);

    // A few leaves drifting along the right end.
    painter.setPen(Qt::NoPen);
    const QColor leaves[] = {QColor(0xf4, 0xa2, 0x3c), QColor(0xe0, 0x5a, 0x2b),
                             QColor(0xff, 0xd1, 0x66)};
    for (int i = 0; i < 3; ++i) {
        painter.save();
        painter.translate(width - 28 - i * 22, 18 + (i % 2) * 24);
        painter.rotate(30.0 * i - 20);
        painter.setBrush(leaves[i]);
        painter.drawEllipse(QRectF(-9, -4, 18, 8));
        painter.restore();
    }

    QFont title(QStringLiteral("黑体"));
    title.setFamilies({QStringLiteral("黑体"), QStringLiteral("WenQuanYi Zen Hei"),
                       QStringLiteral("Noto Sans CJK SC")});
    title.setPixelSize(height * 3 / 8);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(12, 4, width - 24, height / 2), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("青枫匣"));
    QFont line = title;
    line.setPixelSize(height / 5);
    line.setBold(false);
    painter.setFont(line);
    painter.drawText(QRect(12, height / 2, width - 24, height / 2 - 6),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("文本编码 批量转换"));
    return pixmap;
}

QPixmap drawHomePageIcon(int size, qreal devicePixelRatio, const QColor& background) {
    QPixmap pixmap = blankPicture(size, size, devicePixelRatio, background);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal m = size / 8.0;
    // A box with its lid ajar: the program's name means a small chest.
    QPainterPath box;
    box.addRoundedRect(QRectF(m, size * 0.38, size - 2 * m, size * 0.52), 4, 4);
    painter.fillPath(box, QColor(0x2e, 0x8b, 0x57));
    painter.save();
    painter.translate(m, size * 0.34);
    painter.rotate(-10);
    painter.fillRect(QRectF(0, -size * 0.12, size - 2 * m, size * 0.12), QColor(0x1e, 0x5a, 0x8c));
    painter.restore();
    QFont glyph(QStringLiteral("黑体"));
    glyph.setFamilies({QStringLiteral("黑体"), QStringLiteral("WenQuanYi Zen Hei"),
                       QStringLiteral("Noto Sans CJK SC")});
    glyph.setPixelSize(size * 3 / 8);
    glyph.setBold(true);
    painter.setFont(glyph);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(m, size * 0.38, size - 2 * m, size * 0.52), Qt::AlignCenter,
                     QStringLiteral("匣"));
    return pixmap;
}

namespace {

QByteArray pngBytes(const QPixmap& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
        return {};
    }
    return bytes;
}

bool writeNew(platform::PrivateFolder& folder, const char* name, const QByteArray& bytes) {
    return !bytes.isEmpty() &&
           folder.writeNewFile(
               name, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace

QString helpPageAddress() {
    return QStringLiteral("qrc:/help/index.html");
}

QString installedHelpPage(const QString& programFolder) {
    const QFileInfo page(
        QDir(programFolder).filePath(QStringLiteral("../share/qingfengxia/help/index.html")));
    return page.isFile() ? QDir::cleanPath(page.absoluteFilePath()) : QString();
}

HelpPage::HelpPage(QString folderOfProgram) : programFolder(std::move(folderOfProgram)) {}

HelpPage::~HelpPage() = default;

QString HelpPage::path() {
    if (!written.isEmpty()) {
        return written;
    }
    if (QString installed = installedHelpPage(programFolder); !installed.isEmpty()) {
        return written = installed;
    }
    registerHelpResource();
    QFile source(QStringLiteral(":/help/index.html"));
    if (!source.open(QIODevice::ReadOnly)) {
        return {};
    }
    auto fresh = std::make_unique<platform::PrivateFolder>("qingfengxia-help-");
    if (!fresh->valid() || !writeNew(*fresh, "index.html", source.readAll()) ||
        !writeNew(*fresh, "banner.png", pngBytes(drawMakerBanner(195, 64))) ||
        !writeNew(*fresh, "icon.png", pngBytes(drawHomePageIcon(64)))) {
        return {};
    }
    const std::optional<std::string> native = platform::nativePath(fresh->path());
    if (!native) {
        return {};
    }
    folder = std::move(fresh);
    written = QDir(QFile::decodeName(QByteArray::fromStdString(*native)))
                  .filePath(QStringLiteral("index.html"));
    return written;
}

} // namespace ui
