#pragma once

// The checks of a merge's or a rebase's inputs before its walk: each side
// opened with its own message, and the sides that must be the same size.

#include "commitoptions.h"
#include "input.h"
#include "mergemessages.h"

#include <initializer_list>

namespace quillmark {

// An input and the message it fails with when it cannot be opened.
struct SideInput
{
    Input* input;
    const char* cannotOpen;
};

// Opens the maps in order, each refused with its message when it cannot be
// opened or holds more blocks than can be named; a map of another size than
// the first fails with `sizesMessage`.
Status openMaps(std::initializer_list<SideInput> maps, const char* sizesMessage,
                const CommitOptions& options);

// A statics pair and the message it fails with when it cannot be opened.
struct SidePair
{
    Input* index;
    Input* data;
    const char* cannotOpen;
};

// Opens the statics pairs in order, data then index, each refused with its
// message when it cannot be opened or its index holds more entries than can
// be named; an index of another size than the first fails with `sizesMessage`.
Status openStaticsPairs(std::initializer_list<SidePair> pairs, const char* sizesMessage,
                        const CommitOptions& options);

}  // namespace quillmark
