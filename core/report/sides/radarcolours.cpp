#include "radarcolours.h"

#include "counted.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"

#include <QtEndian>

namespace quillmark {

Status readRadarColours(const QString& path, qint64 maxEntries, const CommitOptions& options,
                        std::vector<quint16>& colours)
{
    InputFile file(path, *options.files);
    if (const Status opened = openInputs({&file}, jobmessage::UnableToOpenRadarColours, options);
        opened.failed())
        return opened;
    if (file.size() == 0 || file.size() % 2 != 0)
        return Status::failure(Status::Kind::Damaged, jobmessage::UnableToOpenRadarColours, path,
                               file.size() == 0
                                   ? QStringLiteral("It holds no colours")
                                   : QStringLiteral("It holds %1, not a whole number of 2-byte colours")
                                         .arg(counted(file.size(), "byte", "bytes")));
    // Every index a palette looks up lies well within one view.
    const qint64 entries = qMin(qMin(file.size() / 2, maxEntries), Input::MaxView / 2);
    colours.assign(size_t(entries), 0);
    const char* bytes = nullptr;
    if (const Status viewed = file.view(0, entries * 2, bytes); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadRadarColours);
    qFromLittleEndian<quint16>(bytes, entries, colours.data());
    return Status();
}

}  // namespace quillmark
