#include "ui/controls/SkinImages.h"

#include "shell/ProgramPaths.h"
#include "shell/SkinRect.h"
#include "shell/SkinRegion.h"

namespace t44::ui {

QImage LoadSkinPicture(const QString &path) {
    QImage image;
    if (path.isEmpty() || !image.load(path)) return {};
    return image;
}

QImage LoadSkinPictureOrEnd(const QString &path) {
    QImage image = LoadSkinPicture(path);
    if (image.isNull()) shell::EndForMissingSkinPicture(path.toStdString());
    return image;
}

QRegion RegionFromMask(const QImage &mask, QRgb transparent, int tolerance) {
    if (mask.isNull()) return {};
    const QImage argb = mask.convertToFormat(QImage::Format_ARGB32);
    const auto rects = shell::maskRegion(reinterpret_cast<const uint32_t *>(argb.constBits()), argb.width(),
                                         argb.height(), static_cast<int>(argb.bytesPerLine() / 4),
                                         transparent & 0xFFFFFF, tolerance);
    if (rects.empty()) return {};
    std::vector<QRect> qrects;
    qrects.reserve(rects.size());
    for (const auto &r : rects) qrects.emplace_back(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
    // The rectangles are banded and sorted by y, then x, without overlaps, as setRects
    // requires; building the region in one step keeps large masks fast.
    QRegion region;
    region.setRects(qrects.data(), static_cast<int>(qrects.size()));
    return region;
}

void SkinPictureSet::Load(const QString &folder, const std::vector<std::string> &files) {
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith('/')) base += '/';
    for (const std::string &f : files) {
        if (pictures_.count(f)) continue;
        pictures_[f] = LoadSkinPictureOrEnd(base + QString::fromStdString(f));
    }
}

QImage SkinPictureSet::picture(const std::string &file) const {
    auto it = pictures_.find(file);
    return it == pictures_.end() ? QImage() : it->second;
}

ButtonPictures SkinPictureSet::buttonPictures(const shell::SkinPictureSet &set) const {
    return {picture(set.files[0]), picture(set.files[1]), picture(set.files[2]), picture(set.files[3]),
            picture(set.files[4])};
}

QString SkinFolder() { return QString::fromStdString(shell::programPaths().data("Skins/")); }

QString SkinFilePath(const shell::WindowSkin &window) {
    return QString::fromStdString(shell::programPaths().data(window.iniFile));
}

}  // namespace t44::ui
