#pragma once

#include "hashes.h"
#include "output.h"

namespace quillmark {

// An output whose bytes are hashed as they are appended, for the manifest
// that describes it: it is made, written and committed as the output it
// wraps.
class HashedOutput final : public Output
{
public:
    explicit HashedOutput(Output& output) : m_output(output) {}

    const QString& target() const override { return m_output.target(); }
    Status create() override { return m_output.create(); }
    void append(const char* bytes, qint64 length) override
    {
        m_hash.add(bytes, length);
        m_output.append(bytes, length);
    }
    qint64 size() const override { return m_output.size(); }
    Status writeStatus() const override { return m_output.writeStatus(); }
    Status finish() override { return m_output.finish(); }
    StagedFile& staged() override { return m_output.staged(); }

    Hash128 hash() { return m_hash.digest(); }

private:
    Output& m_output;
    StreamHash m_hash;
};

}  // namespace quillmark
