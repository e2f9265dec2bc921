#include "bufferedoutput.h"

#include <QtEndian>

namespace {
constexpr qint64 BufferSize = qint64(256) << 10;
}  // namespace

BufferedOutput::BufferedOutput(const QString& path) : m_file(path)
{}

BufferedOutput::~BufferedOutput()
{
    close();
}

bool BufferedOutput::open()
{
    m_buffer.reserve(BufferSize);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
}

void BufferedOutput::write(const char* bytes, qint64 length)
{
    if (m_buffer.size() + length > BufferSize)
        flush();
    m_buffer.append(bytes, length);
    m_size += length;
}

void BufferedOutput::writeInt32(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    write(bytes, sizeof bytes);
}

void BufferedOutput::flush()
{
    if (!m_buffer.isEmpty() && m_file.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
}

bool BufferedOutput::close()
{
    if (m_file.isOpen()) {
        flush();
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            m_failed = true;
    }
    return !m_failed;
}
