#pragma once
// The groups of pictures registerImages() puts together; each adds its pictures to
// the list of (name, natural size, drawing). Reentrant: no shared state.
#include "platform/drawing/BundleImages.h"

#include <QList>
#include <QSizeF>
#include <QString>

namespace TabBarArtwork {

struct Picture
{
    QString name;
    QSizeF size;
    platform::BundleImages::Drawing drawing;
};

void addBarPictures(QList<Picture> &pictures);
void addClosePictures(QList<Picture> &pictures);
void addAquaPictures(QList<Picture> &pictures);
void addSafariPictures(QList<Picture> &pictures);

} // namespace TabBarArtwork
