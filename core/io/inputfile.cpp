#include "inputfile.h"

namespace quillmark {

namespace {
constexpr qint64 MinReadAhead = qint64(4) << 10;
constexpr qint64 InitialReadAhead = qint64(64) << 10;
// A walk reads ahead at most a piece, unless a view asks for more: each
// page of memory that a window touches for the first time costs far more
// than a read call on some systems (virtual machines above all), and a
// window that stays small stays in the processor's cache for the copy out.
constexpr qint64 MaxReadAhead = Input::Piece;
}  // namespace

InputFile::InputFile(const QString& path, FileSystem& files)
    : m_path(path), m_files(files), m_readAhead(InitialReadAhead)
{}

Status InputFile::open()
{
    close();
    if (m_path.isEmpty())
        return Status::fileFailure(Status::Kind::NotFound, m_path, QStringLiteral("No file named"));
    const Status opened = m_files.openForReading(m_path, FinalLink::Followed, m_file);
    m_size = opened.ok() ? m_file->size() : 0;
    return opened;
}

void InputFile::close()
{
    m_file.reset();
    m_main = Window();
    m_aside = Window();
}

Status InputFile::viewOutsideMain(qint64 offset, qint64 length, const char*& bytes)
{
    if (offset < 0 || length < 0 || length > MaxView || offset > size() - length)
        return Status::fileFailure(
            Status::Kind::Damaged, m_path,
            QStringLiteral("%1 bytes at %2 lie outside the file").arg(length).arg(offset));
    static const char noBytes[1] = {0};
    bytes = noBytes;
    if (length == 0)
        return Status();
    if (m_aside.holds(offset, length)) {
        bytes = m_aside.bytes.get() + (offset - m_aside.start);
        return Status();
    }
    // A walk that carries on reads further ahead each time; one that moves
    // over to where the aside window read starts again from a little, and
    // proves itself.
    const bool walksOn = m_main.length == 0 || m_main.carriesOn(offset, m_readAhead);
    const bool movesOver = !walksOn && m_aside.carriesOn(offset, MinReadAhead);
    if (walksOn)
        m_readAhead = qMin(MaxReadAhead, m_readAhead * 2);
    else if (movesOver)
        m_readAhead = InitialReadAhead;
    Window& window = walksOn || movesOver ? m_main : m_aside;
    // A whole number of views of this length, so that a walk in steps of it
    // reads each byte once rather than reading again what a window cut off.
    const qint64 ahead = qMin(walksOn || movesOver ? m_readAhead : MinReadAhead, size() - offset);
    const Status filled = fill(window, offset, length, qMax(length, ahead - ahead % length));
    if (filled.ok())
        bytes = window.bytes.get();
    return filled;
}

Status InputFile::fill(Window& window, qint64 offset, qint64 length, qint64 wanted)
{
    if (!window.bytes)
        window.bytes.reset(new char[size_t(qMin(MaxView, size()))]);
    window.start = offset;
    window.length = 0;
    if (!m_file)
        return Status::fileFailure(Status::Kind::Other, m_path, QStringLiteral("It is not open"));
    const Status read = m_file->readAt(offset, window.bytes.get(), wanted, window.length);
    if (read.failed())
        return read;
    if (window.length >= length)
        return Status();
    // A file that shrank since it was opened delivers less than asked.
    return Status::fileFailure(Status::Kind::Damaged, m_path,
                               QStringLiteral("The file ends before byte %1").arg(offset + length));
}

}  // namespace quillmark
