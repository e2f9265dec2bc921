#pragma once

// What the engine makes of the file system's calls, written once over them
// for every implementation: reading a small file whole, waiting out a brief
// holder of a target, removing what a dead job left, keeping a replaced
// file's permission bits, making a folder and those on the way to it.

#include "filesystem.h"

namespace quillmark {

// Reads a small regular file whole. A final link is not followed and a
// special file never waited on: anything but a regular file of at most
// `maxBytes` bytes is refused with the reason, a file that grows past them
// while it is read too.
Status readSmallFile(FileSystem& files, const QString& path, qint64 maxBytes, QByteArray& bytes);

// Whether `path`, an existing file, can be replaced now. Another program may
// hold a file for a moment (a virus scanner, an indexer, another job taking
// the file's identity): a few short waits, about a second in all, ride that
// out; a file held for longer fails with the system's words.
Status canReplace(FileSystem& files, const QString& path);

// Removes a regular file that no living process owns (see
// FileSystem::ownedByWriter()); leaves anything else as it is.
Status removeIfAbandoned(FileSystem& files, const QString& path);

// Gives `to` the permission bits of `from`, where the system has them.
Status copyPermissions(FileSystem& files, const QString& from, const QString& to);

// Makes the folder `path` and every missing one on the way to it; a folder
// already there is fine.
Status makeFolders(FileSystem& files, const QString& path);

}  // namespace quillmark
