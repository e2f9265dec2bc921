#pragma once

// What every page of a report begins and ends with: a policy that lets it
// run no script and fetch nothing, so that it opens offline and can be
// mailed; its style; the filter that dims a change view's pictures to
// greys; and the legend of the change views.

#include "html.h"

namespace quillmark {

void writePageHead(Html& html, const QString& title);
void writePageFoot(Html& html);
void writeLegend(Html& html);

// A legend's swatch of class `name` (see pagestyle.h).
Markup swatch(const char* name);

}  // namespace quillmark
