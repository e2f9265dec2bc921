#include "imagesource.h"

#include <algorithm>

ImageSourceFactory::~ImageSourceFactory() = default;

const QImage* ImageSourceFactory::data(const QString& name) const
{
    const auto stored = m_store.find(name);
    if (stored != m_store.end())
        return &stored->second;
    for (const ImageSourceFactory* source : m_added) {
        if (const QImage* image = source->data(name))
            return image;
    }
    return nullptr;
}

void ImageSourceFactory::setImage(const QString& name, const QImage& image)
{
    m_store[name] = image;
}

void ImageSourceFactory::addFactory(ImageSourceFactory* source)
{
    m_added.push_back(source);
}

void ImageSourceFactory::removeFactory(ImageSourceFactory* source)
{
    m_added.erase(std::remove(m_added.begin(), m_added.end(), source), m_added.end());
}

ImageSourceFactory* ImageSourceFactory::defaultFactory()
{
    static ImageSourceFactory source;
    return &source;
}

QPixmap pixmapFromSource(const QString& name)
{
    const QImage* image = ImageSourceFactory::defaultFactory()->data(name);
    return image ? QPixmap::fromImage(*image) : QPixmap();
}
