#include "ui/desktop_identity.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

// Resources of a static library are registered by hand, outside any namespace.
static void registerIconResource() {
    Q_INIT_RESOURCE(icons);
}

namespace ui {

QIcon programIcon() {
    registerIconResource();
    QIcon builtIn;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QString::fromLatin1(applicationId), builtIn);
}

bool installChineseQtTexts() {
    // Owned by the application, so it goes with it; loading twice installs nothing new.
    static QPointer<QTranslator> translator;
    if (translator)
        return true;
    auto* loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
    return true;
}

void applyDesktopIdentity() {
    QGuiApplication::setDesktopFileName(QString::fromLatin1(applicationId));
    QApplication::setWindowIcon(programIcon());
    (void)installChineseQtTexts();
}

} // namespace ui
