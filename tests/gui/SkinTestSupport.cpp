#include "SkinTestSupport.h"

#include <QPainter>
#include <QPainterPath>
#include <fstream>

namespace t44::test {

QApplication &qtApp() {
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance())) return *app;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "t44_gui_tests";
    static char *argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone, and tearing the
    // application down after them crashes.
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

QImage coordinatePicture(int width, int height, int tag) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, tag));
    return image;
}

QImage roundedMask(int width, int height, int radius) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width, height), radius, radius);
    p.drawPath(path);
    return image;
}

void writeFile(const std::string &path, const std::string &text) { std::ofstream(path) << text; }

}  // namespace t44::test
