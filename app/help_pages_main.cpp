// Build tool, not installed: writes the help page with the pictures it shows into one folder,
// so that an installed program opens that page as it is and writes nothing at run time.
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include "ui/promotion_strip.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    // Drawing needs a GUI application but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QGuiApplication application(toolkitArgc, toolkitArgv);

    const QDir output(QFile::decodeName(argv[1]));
    // The tool's own folder holds no installed page, so the page is drawn afresh.
    ui::HelpPage page(QCoreApplication::applicationDirPath());
    const QString written = page.path();
    if (written.isEmpty() || !QDir().mkpath(output.path())) {
        std::fprintf(stderr, "%s: the help page could not be written\n", argv[0]);
        return 1;
    }
    const QDir drawn = QFileInfo(written).dir();
    for (const char* name : {"index.html", "banner.png", "icon.png"}) {
        const QString target = output.filePath(QLatin1String(name));
        QFile::remove(target);
        if (!QFile::copy(drawn.filePath(QLatin1String(name)), target)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(target));
            return 1;
        }
    }
    return 0;
}
