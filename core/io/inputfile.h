#pragma once

#include "filesystem.h"
#include "input.h"

#include <memory>

namespace quillmark {

// A plain input file, read through two windows. The main window follows a
// walk: its read-ahead grows while requests carry on where it ends, so a
// sequential walk costs a few large reads. A request that jumps elsewhere is
// served by a small window aside, so that one block lying out of order does
// not throw the main window away; a walk that carries on from there moves
// the main window over. Memory stays at most twice MaxView bytes, whatever
// the file's size.
class InputFile final : public Input
{
public:
    // Read from `files`, the job's file system.
    InputFile(const QString& path, FileSystem& files);

    // Fails also for an empty path, a directory and anything but a regular
    // file (or a link to one), which is never waited on.
    Status open() override;
    void close() override;

    const QString& path() const override { return m_path; }
    qint64 size() const override { return m_size; }
    QByteArray identity() const override { return m_file ? m_file->identity() : QByteArray(); }

    Status view(qint64 offset, qint64 length, const char*& bytes) override
    {
        if (m_main.holds(offset, length) && length > 0) {
            bytes = m_main.bytes.get() + (offset - m_main.start);
            return Status();
        }
        return viewOutsideMain(offset, length, bytes);
    }

private:
    struct Window
    {
        std::unique_ptr<char[]> bytes;
        qint64 start = 0;
        qint64 length = 0;

        bool holds(qint64 offset, qint64 count) const
        {
            return offset >= start && count >= 0 && offset - start <= length
                   && count <= length - (offset - start);
        }
        bool carriesOn(qint64 offset, qint64 reach) const
        {
            return length > 0 && offset >= start && offset <= start + length + reach;
        }
    };

    Status viewOutsideMain(qint64 offset, qint64 length, const char*& bytes);
    Status fill(Window& window, qint64 offset, qint64 length, qint64 wanted);

    QString m_path;
    FileSystem& m_files;
    std::unique_ptr<ReadableFile> m_file;
    qint64 m_size = 0;  // when it was opened
    Window m_main;
    Window m_aside;
    qint64 m_readAhead;
};

}  // namespace quillmark
