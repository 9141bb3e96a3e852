// iconrender: draws an SVG picture as a square PNG of the given size, for the icon theme.
//   iconrender <picture.svg> <size> <out.png>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Painting into an image needs no display: a build step runs without one.
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool isNumber = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&isNumber) : 0;
    if (!isNumber || size < 1 || size > 1024) {
        std::fputs("usage: iconrender <picture.svg> <size 1-1024> <out.png>\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "iconrender: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    if (!image.save(args.at(3), "PNG")) {
        std::fprintf(stderr, "iconrender: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
