#pragma once
// Helpers of the skin and tray tests: the one QApplication of the test program (on the
// platform QT_QPA_PLATFORM names, offscreen when unset), waiting while events run, and
// pictures written into a temporary skin folder.

#include <QApplication>
#include <QColor>
#include <QImage>
#include <chrono>
#include <string>

namespace t44::test {

QApplication &qtApp();

// Runs events until pred() holds or `limit` passes; the result of pred() at the end.
template <class Pred>
bool qtWaitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end) return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents();
    }
    return true;
}

// A picture whose pixel (x, y) is the colour (x, y, tag): any piece shows where it was cut.
QImage coordinatePicture(int width, int height, int tag);
// White everywhere except a rounded black rectangle over the whole picture.
QImage roundedMask(int width, int height, int radius);
void writeFile(const std::string &path, const std::string &text);

}  // namespace t44::test
