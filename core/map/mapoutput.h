#pragma once

#include "mapformat.h"
#include "stagedfile.h"
#include "uopmapwriter.h"

#include <QString>

#include <memory>

// A new map file, staged like every output, in either form: appended to
// block by block the same way, whichever form it takes. A container needs
// the map's size before its first byte, and its checksums after its last.
//
//   MapOutput out(target, format, facet, mapSize);
//   out.staged().create() && out.start();  out.append(...) ...;
//   out.finish() && commitStaged({&out.staged()});
class MapOutput
{
public:
    MapOutput(const QString& target, MapFormat format, int facet, qint64 mapSize);
    MapOutput(const MapOutput&) = delete;
    MapOutput& operator=(const MapOutput&) = delete;

    // The file to create and commit; a BlockWalk takes it as its output.
    StagedFile& staged() { return m_container ? m_container->staged() : *m_plain; }
    const QString& target() const { return m_target; }

    // Once staged() is created: writes what comes before the map's bytes.
    // False (with the reason in errorString()) when that cannot be written.
    bool start();
    // staged().create() and start().
    bool create();

    void append(const char* bytes, qint64 length)
    {
        if (m_container)
            m_container->append(bytes, length);
        else
            m_plain->append(bytes, length);
    }

    // Map bytes appended so far.
    qint64 size() const { return m_container ? m_container->size() : m_plain->size(); }

    // Completes the file once the whole map is appended; false, with the
    // reason, when a write failed or the map is not whole.
    bool finish();

    const QString& errorString() const { return m_error; }

private:
    bool fail(const QString& reason);

    QString m_target;
    // One of the two, as the format says.
    std::unique_ptr<StagedFile> m_plain;
    std::unique_ptr<UopMapWriter> m_container;
    QString m_error;
};
