#pragma once

#include "filesystem.h"
#include "mapformat.h"
#include "output.h"

#include <QString>

#include <memory>

namespace quillmark {

// A new map file in the form asked for: a plain map file, whose bytes are
// the map's, or a package container, which needs the map's size before its
// first byte. Either is appended to block by block the same way.
std::unique_ptr<Output> makeMapOutput(const QString& target, MapFormat format, int facet, qint64 mapSize,
                                      FileSystem& files);

}  // namespace quillmark
