#pragma once

// A failure for a number the system gave (errno on POSIX, GetLastError() on
// Windows): the file, the system's own words, and the kind of failure they
// stand for. One implementation per system, beside its file system.

#include "status.h"

namespace quillmark::systemerror {

Status failure(const QString& path, qint64 error);

}  // namespace quillmark::systemerror
