#pragma once

#include <QString>

#include <limits>
#include <memory>

namespace quillmark {

// The result of everything in the engine that can fail: success, or what
// failed. A failure carries these, any of the texts possibly empty:
//
//   kind     what sort of failure it is, for code that branches on it
//   message  the job's fixed text, exactly as the window shows it
//   file     the file concerned
//   reason   the system's words, or what is wrong with the file
//   block    the block at which a file was found damaged, or NoBlock
//
// A part that does not know the job it serves (reading a file, committing a
// set) fails with the file and the reason; the job puts its message on the
// way up with withMessage(). The command-line tool prints all three, so that
// a script's log says which file failed and why.
//
// Success is a null pointer, as cheap to return as a bool; a failure shares
// its one immutable record between copies.
class [[nodiscard]] Status
{
public:
    enum class Kind {
        None,            // success
        Other,           // none of those below
        NotFound,        // a file or folder that is not there
        Permission,      // no right to read, write or replace it
        NotRegularFile,  // a directory, a FIFO or a device where a file belongs
        Damaged,         // a file that is not what its format says
        TooLarge,        // past what the format, the system or a limit allows
        NoSpace,         // the disk or a quota is full
        OutOfMemory,
        InUse,     // another job or program holds it
        SameFile,  // one file in two roles of a job
        Conflict,  // a patch that does not fit the files it is applied to
        Usage,     // a request that cannot be run as asked
    };

    // What block() is when no block is named: a damaged locator record may
    // name any 32-bit block number, -1 and other negative ones among them.
    static constexpr qint64 NoBlock = std::numeric_limits<qint64>::min();

    Status() = default;

    // Every failure says its kind, so that no caller has to guess it from
    // the words.
    static Status failure(Kind kind, QString message, QString file = QString(), QString reason = QString(),
                          qint64 block = NoBlock);
    // A file that could not be used, and why; the message comes later.
    static Status fileFailure(Kind kind, QString file, QString reason);

    bool ok() const { return !m_failure; }
    bool failed() const { return bool(m_failure); }
    Kind kind() const { return m_failure ? m_failure->kind : Kind::None; }
    bool is(Kind kind) const { return this->kind() == kind; }
    // The block at which a file was found damaged; NoBlock when none is named.
    qint64 block() const { return m_failure ? m_failure->block : NoBlock; }

    // Empty on success.
    const QString& message() const;
    const QString& file() const;
    const QString& reason() const;

    // The same failure under the job's message; success stays success.
    Status withMessage(const QString& message) const;
    // The same failure of another kind, for a caller that knows better.
    Status withKind(Kind kind) const;
    // The same failure told against another file (the target a user named,
    // rather than the staged file behind it).
    Status withFile(const QString& file) const;
    // The same failure with `more` said after its reason.
    Status withMoreReason(const QString& more) const;
    // The same failure told in one message that names the file inside,
    // "<action> <file>: <reason>" (as "Unable to open x.mul: No such file or
    // directory"), for tools whose work is not a job with messages of its own.
    Status withAction(const QString& action) const;

    // "message: file: reason", leaving out the parts that are empty.
    QString text() const;

private:
    struct Failure
    {
        Kind kind;
        QString message;
        QString file;
        QString reason;
        qint64 block;
    };

    explicit Status(Failure failure);

    std::shared_ptr<const Failure> m_failure;
};

}  // namespace quillmark
