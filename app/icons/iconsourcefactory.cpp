#include "iconsourcefactory.h"

#include "embeddedimage.h"

namespace {

IconSourceFactory* iconSource = nullptr;

struct IconRegistration
{
    IconRegistration() { initIcons(); }
    ~IconRegistration() { cleanupIcons(); }
};
const IconRegistration registration;

}  // namespace

IconSourceFactory::~IconSourceFactory() = default;

const QImage* IconSourceFactory::data(const QString& name) const
{
    if (const QImage* stored = ImageSourceFactory::data(name))
        return stored;
    if (name.isNull())
        return nullptr;
    const QImage image = findEmbeddedImage(name);
    // Decoding once per name means storing, even when asked through a const source.
    if (!image.isNull())
        const_cast<IconSourceFactory*>(this)->setImage(name, image);
    return ImageSourceFactory::data(name);
}

void initIcons()
{
    if (iconSource)
        return;
    iconSource = new IconSourceFactory;
    ImageSourceFactory::defaultFactory()->addFactory(iconSource);
}

void cleanupIcons()
{
    if (!iconSource)
        return;
    ImageSourceFactory::defaultFactory()->removeFactory(iconSource);
    delete iconSource;
    iconSource = nullptr;
}
