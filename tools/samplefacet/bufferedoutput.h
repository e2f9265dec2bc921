#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file written front to back through one fixed buffer, so that writing a
// full-size facet takes a few large writes and little memory. The first error
// is remembered and reported by close().
class BufferedOutput
{
public:
    explicit BufferedOutput(const QString& path);
    ~BufferedOutput();
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    bool open();
    void write(const char* bytes, qint64 length);
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void writeInt32(qint32 value);
    // Bytes written so far: the offset of the next byte.
    qint64 size() const { return m_size; }
    bool close();

    QString path() const { return m_file.fileName(); }

private:
    void flush();

    QFile m_file;
    QByteArray m_buffer;
    qint64 m_size = 0;
    bool m_failed = false;
};
