#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Reads a file of fixed-size records front to back, a large piece at a time.
class SequentialReader
{
public:
    SequentialReader(const QString& path, qint64 recordSize);

    bool open();
    // Records in the file (a partial one at the end does not count).
    qint64 records() const { return m_records; }
    // The next record, or null when it cannot be read.
    const char* next();

private:
    QFile m_file;
    qint64 m_recordSize;
    qint64 m_records = 0;
    QByteArray m_piece;
    qint64 m_position = 0;  // within m_piece
};
