#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace quillmark {

// The 64-bit hash under which a container's entry names its file: Bob
// Jenkins' lookup3 hashlittle2 over the name's bytes with both seeds 0, the
// second result (pb) in the high half and the first (pc) in the low half.
quint64 uopNameHash(const QByteArray& name);

}  // namespace quillmark
