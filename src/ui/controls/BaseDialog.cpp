#include "ui/controls/BaseDialog.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "ui/controls/SkinImages.h"

namespace t44::ui {

CBaseDialog::CBaseDialog(const std::string &skinFile, const std::string &skinFolder, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), skinFile_(skinFile), folder_(skinFolder) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
    // The background covers the whole window, so nothing is erased before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CBaseDialog::SetupSkin() {
    skin_.load(skinFile_);
    const std::string main = skin_.value(shell::kScreenSection, "Main");
    const std::string mask = skin_.value(shell::kScreenSection, "Mask", main);
    // An empty name leaves the folder itself as the path, which cannot be loaded.
    background_ = LoadSkinPictureOrEnd(QString::fromStdString(folder_ + main));
    const QImage maskImage =
        mask == main ? background_ : LoadSkinPictureOrEnd(QString::fromStdString(folder_ + mask));
    setFixedSize(background_.size());
    shape_ = RegionFromMask(maskImage);
    if (shape_.isEmpty()) clearMask();
    else setMask(shape_);
    update();
}

void CBaseDialog::FreeSkinImages() {
    background_ = QImage();
}

void CBaseDialog::paintEvent(QPaintEvent *) {
    QPainter p(this);
    if (!background_.isNull()) p.drawImage(0, 0, background_);
}

void CBaseDialog::mousePressEvent(QMouseEvent *event) {
    // Only presses that no control took arrive here: the background moves the window,
    // through the window manager where there is one, by following the pointer otherwise.
    if (event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void CBaseDialog::mouseMoveEvent(QMouseEvent *event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

}  // namespace t44::ui
