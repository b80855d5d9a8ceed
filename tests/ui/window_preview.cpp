// Opens the window for a screenshot: fresh (no settings read or written), optionally in a dark
// Fusion palette, with 替换原文件 chosen, and with the output options dialog open over it. Not a
// test; scripts/screenshot runs it.
//   window_preview [--dark] [--replace-sources] [--output-options]
#include <cstring>

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QTimer>

#include "ui/main_window.h"
#include "ui/output_options_dialog.h"

int main(int argc, char* argv[]) {
    bool dark = false;
    bool outputOptions = false;
    bool replaceSources = false;
    for (int i = 1; i < argc; ++i) {
        dark = dark || std::strcmp(argv[i], "--dark") == 0;
        replaceSources = replaceSources || std::strcmp(argv[i], "--replace-sources") == 0;
        outputOptions = outputOptions || std::strcmp(argv[i], "--output-options") == 0;
    }
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(53, 53, 53));
        palette.setColor(QPalette::WindowText, Qt::white);
        palette.setColor(QPalette::Base, QColor(35, 35, 35));
        palette.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
        palette.setColor(QPalette::Text, Qt::white);
        palette.setColor(QPalette::Button, QColor(53, 53, 53));
        palette.setColor(QPalette::ButtonText, Qt::white);
        palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
        palette.setColor(QPalette::HighlightedText, Qt::black);
        palette.setColor(QPalette::Link, QColor(42, 130, 218));
        palette.setColor(QPalette::Light, QColor(80, 80, 80));
        palette.setColor(QPalette::Mid, QColor(40, 40, 40));
        palette.setColor(QPalette::Dark, QColor(25, 25, 25));
        palette.setColor(QPalette::Shadow, Qt::black);
        QApplication::setPalette(palette);
    }
    ui::MainWindow window({}, ui::desktopDialogs());
    if (replaceSources) {
        batch::OutputChoices inPlace;
        inPlace.place = batch::OutputPlace::ReplaceSources;
        window.adapter().setOutputChoices(inPlace);
    }
    window.show();
    if (outputOptions)
        QTimer::singleShot(300, &window,
                           [&window] { ui::editOutputOptions(window.adapter(), &window); });
    return application.exec();
}
