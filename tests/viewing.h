#pragma once

// Reading inputs in tests: what a view points at, or null when it fails, and
// why opening failed.

#include "input.h"

#include <QString>

// The bytes of a view, or null when it fails.
inline const char* viewed(quillmark::Input& input, qint64 offset, qint64 length)
{
    const char* bytes = nullptr;
    return input.view(offset, length, bytes).ok() ? bytes : nullptr;
}

// Why a view fails; empty when it does not.
inline QString viewFailure(quillmark::Input& input, qint64 offset, qint64 length)
{
    const char* bytes = nullptr;
    return input.view(offset, length, bytes).reason();
}

// Why opening fails; empty when it opens.
inline QString openFailure(quillmark::Input& input)
{
    return input.open().reason();
}
