#pragma once

#include "filesystem.h"
#include "input.h"
#include "manifest.h"

#include <initializer_list>

namespace quillmark {

// Reads the manifest at `path` of a set whose locator holds
// `locatorRecords` whole records. A manifest is data from a stranger: it is
// refused unless it is a regular file (a final link is not followed, a
// special file never waited on) no larger than its records can need, valid
// JSON, of this format and version and of `kind`, naming the bare files of
// its own set, with counts that fit the sizes it gives them, block numbers
// inside its reference in ascending order and a sketch of the size its
// records call for. It is never acted on beyond reading: nothing it names
// is opened. Fails with the manifest and the reason.
Status readManifest(const QString& path, PatchKind kind, qint64 locatorRecords, FileSystem& files,
                    Manifest& manifest);

// The difference files, opened and in the order of the manifest's roles,
// against the sizes and hashes it gives them: the first that differs fails
// with `mismatch`, its file and the reason; one that cannot be read, with
// `unreadable`. Each is read whole.
Status checkPatchFiles(const Manifest& manifest, std::initializer_list<Input*> files, const QString& mismatch,
                       const QString& unreadable);

// The locator, already found to be the manifest's own, names the blocks of
// its records in the same order; fails with the manifest when it does not.
Status checkRecordsNameLocator(const Manifest& manifest, const QString& manifestPath, Input& locator);

}  // namespace quillmark
