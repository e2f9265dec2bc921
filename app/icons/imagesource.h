#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

#include <map>
#include <vector>

// The program's application-wide image source: images by name. The default
// source answers from its own store, then passes the name to the sources added
// to it, in the order they were added. The form takes its action icons from it
// by name (pixmapFromSource), so any source added before the window is built
// can serve them.
class ImageSourceFactory
{
public:
    ImageSourceFactory() = default;
    virtual ~ImageSourceFactory();
    ImageSourceFactory(const ImageSourceFactory&) = delete;
    ImageSourceFactory& operator=(const ImageSourceFactory&) = delete;

    // The image known under `name`, or null. Valid while this source lives.
    virtual const QImage* data(const QString& name) const;
    virtual void setImage(const QString& name, const QImage& image);

    void addFactory(ImageSourceFactory* source);
    void removeFactory(ImageSourceFactory* source);

    static ImageSourceFactory* defaultFactory();

private:
    std::map<QString, QImage> m_store;
    std::vector<ImageSourceFactory*> m_added;
};

// The pixmap that the default source holds under `name`; a null pixmap when
// it holds none.
QPixmap pixmapFromSource(const QString& name);
