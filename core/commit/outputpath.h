#pragma once

// Where a job's files lie, as the file system knows them rather than as
// their paths spell them: a folder is one folder however it is reached
// (through a link, or a link on its way), and an output name that is a link
// is followed only while it stays in its own folder, so that nothing found
// in a folder makes a job write anywhere else.

#include "filesystem.h"
#include "status.h"

#include <QString>

namespace quillmark::outputpath {

// The canonical path of `folder` (no link, no "." or ".."), or its absolute
// path when it does not exist.
QString canonicalFolder(const QString& folder, FileSystem& files);

// The folder that `path` lies in, by its canonical path.
QString folderOf(const QString& path, FileSystem& files);

// The file that an output named `target` replaces, in its folder's canonical
// path: the target itself, or, when it is a symbolic link, the file its chain
// of links leads to, which must lie in the same folder. Fails, naming the
// target, for a link that leads out of its folder or a chain that does not end.
Status resolve(const QString& target, FileSystem& files, QString& destination);

}  // namespace quillmark::outputpath
