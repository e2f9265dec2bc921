#pragma once

#include "imagesource.h"

// Serves the embedded icon table by name through the default image source.
// Each image is decoded on its first request and kept in the source's own
// store, so no name is decoded twice.
class IconSourceFactory : public ImageSourceFactory
{
public:
    ~IconSourceFactory() override;
    const QImage* data(const QString& name) const override;
};

// Adds the program's one IconSourceFactory to the default source; a second
// call does nothing. A static object calls it before main runs and
// cleanupIcons at program exit.
void initIcons();
void cleanupIcons();
