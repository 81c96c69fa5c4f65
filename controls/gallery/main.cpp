#include "controls/gallery/GalleryWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <cstdio>
#include <cstring>

// qkui-gallery            shows the gallery window
// qkui-gallery --shot F [--scale N]   renders it without a display into the
//                                     PNG file F (N times enlarged)
int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0)
            qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Every control of QKUIControls in every look.");
    parser.addHelpOption();
    QCommandLineOption shot("shot", "Render the gallery into the PNG file <file> and exit.", "file");
    parser.addOption(shot);
    QCommandLineOption scale("scale", "Enlarge the rendered picture <n> times (for close inspection).", "n", "1");
    parser.addOption(scale);
    parser.process(app);

    GalleryWindow window;
    window.show();
    QCoreApplication::processEvents();
    window.PressShowcaseButtons();
    if (!parser.isSet(shot))
        return app.exec();

    const QString file = parser.value(shot);
    QImage image = window.Shot();
    const int factor = qBound(1, parser.value(scale).toInt(), 8);
    if (factor > 1)
        image = image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!image.save(file, "PNG")) {
        std::fprintf(stderr, "qkui-gallery: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}
