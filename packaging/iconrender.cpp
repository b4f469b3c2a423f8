// Renders an SVG icon as a square PNG of the given size, so the desktop's
// icon theme gets sharp bitmaps for the sizes it asks for.
//
//   iconrender ICON.svg SIZE OUT.png

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args[2].toInt(&sizeOk) : 0;
    QTextStream err(stderr);
    if (!sizeOk || size <= 0) {
        err << "usage: iconrender ICON.svg SIZE OUT.png\n";
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        err << "iconrender: cannot read " << args[1] << '\n';
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(args[3])) {
        err << "iconrender: cannot write " << args[3] << '\n';
        return 1;
    }
    return 0;
}
