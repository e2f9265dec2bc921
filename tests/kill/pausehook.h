#pragma once

#include "commitoptions.h"

// The commit options of the kill test's helpers: with
// QUILLMARK_TEST_STOP_BEFORE_RENAME=<n> in the environment, a commit says
// "before rename <n>" on stdout when it gets there and waits a minute, so
// that the test can kill the job right there.
quillmark::CommitOptions pausingCommitOptions();
