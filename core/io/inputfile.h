#pragma once

#include "input.h"
#include "platformfile.h"

#include <memory>

namespace quillmark {

// A plain input file. The read-ahead grows while requests carry on where the
// window ends (sequential walks cost a few large reads) and shrinks when they
// jump about, so scattered access does not pay for bytes it never uses.
// Memory stays at most MaxView bytes, whatever the file's size.
class InputFile final : public Input
{
public:
    explicit InputFile(const QString& path);

    // Fails also for an empty path, a directory and anything but a regular
    // file (or a link to one), which is never waited on.
    Status open() override;
    void close() override;

    const QString& path() const override { return m_path; }
    qint64 size() const override { return m_handle.size(); }

    Status view(qint64 offset, qint64 length, const char*& bytes) override
    {
        const bool inWindow = offset >= m_windowStart && length >= 0
                              && offset - m_windowStart <= m_windowLength
                              && length <= m_windowLength - (offset - m_windowStart);
        if (inWindow && length > 0) {
            bytes = m_window.get() + (offset - m_windowStart);
            return Status();
        }
        return viewOutsideWindow(offset, length, bytes);
    }

private:
    Status viewOutsideWindow(qint64 offset, qint64 length, const char*& bytes);
    Status fill(qint64 offset, qint64 length);

    QString m_path;
    platformfile::ReadHandle m_handle;
    std::unique_ptr<char[]> m_window;
    qint64 m_windowStart = 0;
    qint64 m_windowLength = 0;
    qint64 m_readAhead;
};

}  // namespace quillmark
