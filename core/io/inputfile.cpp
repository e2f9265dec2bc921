#include "inputfile.h"

#include <QFileInfo>

namespace {
constexpr qint64 MinReadAhead = qint64(4) << 10;
constexpr qint64 InitialReadAhead = qint64(64) << 10;
}  // namespace

InputFile::InputFile(const QString& path) : m_path(path), m_file(path), m_readAhead(InitialReadAhead) {}

bool InputFile::open()
{
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("No file named");
        return false;
    }
    // A directory opens on some systems; it is never a data file.
    if (QFileInfo(m_path).isDir()) {
        m_error = QStringLiteral("Is a directory");
        return false;
    }
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    return true;
}

void InputFile::close()
{
    m_file.close();
    m_window.reset();
    m_windowLength = 0;
}

const char* InputFile::view(qint64 offset, qint64 length)
{
    if (offset < 0 || length < 0 || length > MaxView || offset > m_size - length) {
        m_error = QStringLiteral("%1 bytes at %2 lie outside the file").arg(length).arg(offset);
        return nullptr;
    }
    static const char noBytes[1] = {0};
    if (length == 0)
        return noBytes;
    const bool inWindow = offset >= m_windowStart && offset + length <= m_windowStart + m_windowLength;
    if (!inWindow && !fill(offset, length))
        return nullptr;
    return m_window.get() + (offset - m_windowStart);
}

bool InputFile::fill(qint64 offset, qint64 length)
{
    const bool carriesOn = offset >= m_windowStart && offset <= m_windowStart + m_windowLength + m_readAhead;
    m_readAhead = carriesOn ? qMin(MaxView, m_readAhead * 2) : qMax(MinReadAhead, m_readAhead / 4);
    const qint64 wanted = qMax(length, qMin(m_readAhead, m_size - offset));

    if (!m_window)
        m_window.reset(new char[qMin(MaxView, m_size)]);
    m_windowStart = offset;
    m_windowLength = 0;
    if (!m_file.seek(offset)) {
        m_error = m_file.errorString();
        return false;
    }
    while (m_windowLength < wanted) {
        const qint64 got = m_file.read(m_window.get() + m_windowLength, wanted - m_windowLength);
        if (got <= 0)
            break;
        m_windowLength += got;
    }
    if (m_windowLength >= length)
        return true;
    // A file that shrank since it was opened delivers less than asked.
    m_error = m_file.error() != QFileDevice::NoError
                  ? m_file.errorString()
                  : QStringLiteral("The file ends before byte %1").arg(offset + length);
    return false;
}
