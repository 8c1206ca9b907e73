// Renders the program's SVG icon as a square PNG of one size, for the desktop's icon theme.
//   vorn-rendericon ICON.svg SIZE OUT.png
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 4) {
        err << "gebruik: vorn-rendericon ICOON.svg GROOTTE UIT.png\n";
        return 1;
    }
    QSvgRenderer renderer{QString::fromLocal8Bit(argv[1])};
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!renderer.isValid() || !ok || size <= 0) {
        err << "vorn-rendericon: " << argv[1] << " is geen geldige SVG of " << argv[2] << " geen grootte\n";
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    const QString out = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(QFileInfo(out).absolutePath());
    if (!image.save(out, "PNG")) {
        err << "vorn-rendericon: kon " << out << " niet schrijven\n";
        return 1;
    }
    return 0;
}
