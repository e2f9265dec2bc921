#include "inputfile.h"

namespace quillmark {

namespace {
constexpr qint64 MinReadAhead = qint64(4) << 10;
constexpr qint64 InitialReadAhead = qint64(64) << 10;
}  // namespace

InputFile::InputFile(const QString& path) : m_path(path), m_readAhead(InitialReadAhead) {}

Status InputFile::open()
{
    if (m_path.isEmpty())
        return Status::fileFailure(m_path, QStringLiteral("No file named"));
    return m_handle.open(m_path);
}

void InputFile::close()
{
    m_handle.close();
    m_window.reset();
    m_windowStart = 0;
    m_windowLength = 0;
}

Status InputFile::viewOutsideWindow(qint64 offset, qint64 length, const char*& bytes)
{
    if (offset < 0 || length < 0 || length > MaxView || offset > size() - length)
        return Status::fileFailure(
            m_path, QStringLiteral("%1 bytes at %2 lie outside the file").arg(length).arg(offset));
    static const char noBytes[1] = {0};
    bytes = noBytes;
    if (length == 0)
        return Status();
    const Status filled = fill(offset, length);
    if (filled.ok())
        bytes = m_window.get();
    return filled;
}

Status InputFile::fill(qint64 offset, qint64 length)
{
    const bool carriesOn = offset >= m_windowStart && offset <= m_windowStart + m_windowLength + m_readAhead;
    m_readAhead = carriesOn ? qMin(MaxView, m_readAhead * 2) : qMax(MinReadAhead, m_readAhead / 4);
    const qint64 wanted = qMax(length, qMin(m_readAhead, size() - offset));

    if (!m_window)
        m_window.reset(new char[size_t(qMin(MaxView, size()))]);
    m_windowStart = offset;
    m_windowLength = 0;
    const Status read = m_handle.readAt(offset, m_window.get(), wanted, m_windowLength);
    if (read.failed())
        return read;
    if (m_windowLength >= length)
        return Status();
    // A file that shrank since it was opened delivers less than asked.
    return Status::fileFailure(m_path, QStringLiteral("The file ends before byte %1").arg(offset + length));
}

}  // namespace quillmark
