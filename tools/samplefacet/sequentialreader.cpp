#include "sequentialreader.h"

namespace {
constexpr qint64 PieceSize = qint64(1) << 20;
}  // namespace

SequentialReader::SequentialReader(const QString& path, qint64 recordSize)
    : m_file(path), m_recordSize(recordSize)
{}

bool SequentialReader::open()
{
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    m_records = m_file.size() / m_recordSize;
    return true;
}

const char* SequentialReader::next()
{
    if (m_position + m_recordSize > m_piece.size()) {
        const qint64 wholeRecords = qMax<qint64>(1, PieceSize / m_recordSize);
        m_piece = m_file.read(wholeRecords * m_recordSize);
        m_position = 0;
        if (m_piece.size() < m_recordSize)
            return nullptr;
    }
    const char* record = m_piece.constData() + m_position;
    m_position += m_recordSize;
    return record;
}
