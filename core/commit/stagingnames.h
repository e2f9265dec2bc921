#pragma once

// The names of what a job leaves in a folder besides its outputs, for as long
// as it runs or when it is killed: each says what it is and none ends in
// ".mul", so that nothing mistakes one for a game file.
//
//   .map0.mul.quillmark-part-<id>   an output being written
//   .map0.mul.quillmark-old-<id>    a target's earlier content, during a commit
//   .quillmark-commit               the record of a commit under way
//   .quillmark-lock                 held while a job cleans up or commits

#include "filesystem.h"
#include "status.h"

#include <QString>

namespace quillmark::stagingnames {

inline constexpr char LockName[] = ".quillmark-lock";
inline constexpr char RecordName[] = ".quillmark-commit";

// An unused name beside `target` (a path in its folder) for an output being
// written.
QString partName(const QString& target, FileSystem& files);
// An unused name beside `target` for its earlier content.
QString backupName(const QString& target, FileSystem& files);

bool isPart(const QString& fileName);
bool isBackup(const QString& fileName);

// A name of an entry of a folder, and nothing more: no separator of any
// system, no drive or stream colon, not "." or "..".
bool isBareName(const QString& name);
// `name` is what partName() or backupName() would call a file beside `target`
// (both bare names).
bool isPartOf(const QString& name, const QString& target);
bool isBackupOf(const QString& name, const QString& target);

}  // namespace quillmark::stagingnames
