#pragma once

#include <QFile>
#include <QString>

#include <memory>

// A read-only input, read through one bounded window of memory instead of a
// seek and a small read per record. The read-ahead grows while requests carry
// on where the window ends (sequential walks cost a few large reads) and shrinks
// when they jump about, so scattered access does not pay for bytes it never
// uses. Memory stays at most MaxView bytes, whatever the file's size.
class InputFile
{
public:
    static constexpr qint64 MaxView = qint64(1) << 20;

    explicit InputFile(const QString& path);
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when the file cannot be opened for reading (missing, a directory,
    // no permission, an empty path); errorString() says why.
    bool open();
    void close();

    const QString& path() const { return m_path; }
    // Why the last open or read failed, in the system's words.
    const QString& errorString() const { return m_error; }

    // The size when the file was opened; nothing past it is ever read.
    qint64 size() const { return m_size; }

    // The `length` bytes at `offset`, valid until the next call; null when
    // they lie outside the file or cannot all be read. length <= MaxView.
    const char* view(qint64 offset, qint64 length);

    // Hands a run of any length to `consume(const char*, qint64)` in pieces
    // of at most MaxView bytes; stops early when `consume` returns false.
    // Returns false only when a piece could not be read.
    template <typename Consume>
    bool forEachPiece(qint64 offset, qint64 length, Consume consume)
    {
        while (length > 0) {
            const qint64 piece = qMin(length, MaxView);
            const char* bytes = view(offset, piece);
            if (!bytes)
                return false;
            if (!consume(bytes, piece))
                return true;
            offset += piece;
            length -= piece;
        }
        return true;
    }

private:
    bool fill(qint64 offset, qint64 length);

    QString m_path;
    QFile m_file;
    QString m_error;
    qint64 m_size = 0;
    std::unique_ptr<char[]> m_window;
    qint64 m_windowStart = 0;
    qint64 m_windowLength = 0;
    qint64 m_readAhead;
};
