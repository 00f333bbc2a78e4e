#pragma once
// CBaseDialog: a dialog drawn from skin pictures instead of the system's frame. It has no
// frame or caption, takes the size of its background picture and the shape of its mask
// picture's non-white pixels, paints the background unscaled, and is moved by dragging
// any part of it that no control covers. Each dialog names its skin file; section SCREEN
// of that file names the pictures (Main: background, Mask: shape, the background when
// absent), relative to the skin folder.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <string>

#include "shell/SkinRect.h"

namespace t44::ui {

class CBaseDialog : public QDialog {
    Q_OBJECT
public:
    // `skinFile` is the path of the dialog's skin file, `skinFolder` the folder its
    // pictures are named relative to (with or without a trailing '/').
    CBaseDialog(const std::string &skinFile, const std::string &skinFolder, QWidget *parent = nullptr);

    // Reads the skin file, loads background and mask (a picture that cannot be loaded
    // ends the program with exit code 0), sizes the window to the background and shapes
    // it. Run when the dialog initialises, before the subclass lays out its controls.
    void SetupSkin();
    // Drops both pictures; run when the dialog ends.
    void FreeSkinImages();

    const shell::SkinFile &skin() const { return skin_; }
    const std::string &skinFolder() const { return folder_; }
    const QImage &backgroundImage() const { return background_; }
    // The window's shape; empty when the mask left the whole rectangle.
    const QRegion &shape() const { return shape_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    std::string skinFile_;
    std::string folder_;
    shell::SkinFile skin_;
    QImage background_;
    QRegion shape_;
    bool dragging_ = false;
    QPoint dragOffset_;  // pointer position relative to the window's top-left corner
};

}  // namespace t44::ui
