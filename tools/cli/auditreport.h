#pragma once

#include "difaudit.h"

namespace quillmark {

// Prints an inspection on stdout: what was read, then the problems by kind
// with their first examples. The verdict line comes last, from verdictLine().
void printAudit(const QString& title, const DifAudit& audit);

// "verdict: clean" or "verdict: N problems found".
QString verdictLine(qint64 problems);

}  // namespace quillmark
