#include "components/tabbarview/KZTabBarArtwork.h"

#include "components/tabbarartwork/TabBarArtwork.h"
#include "platform/drawing/BundleImages.h"

namespace KZTabBarArtwork {

void registerImages()
{
    TabBarArtwork::registerImages(BundleName);
}

QIcon imageNamed(const QString &name)
{
    return TabBarArtwork::imageNamed(BundleName, name);
}

QIcon overflowImage()
{
    return imageNamed(QStringLiteral("overflowImage"));
}

QIcon overflowImagePressed()
{
    return imageNamed(QStringLiteral("overflowImagePressed"));
}

QIcon progressMark()
{
    return imageNamed(QStringLiteral("pi"));
}

QSizeF progressMarkSize()
{
    return platform::BundleImages::naturalSize(progressMark());
}

} // namespace KZTabBarArtwork
