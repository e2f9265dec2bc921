#pragma once

#include <QString>

#include <memory>

namespace quillmark {

// The result of everything in the engine that can fail: success, or what
// failed. A failure carries three things, any of them possibly empty:
//
//   message  the job's fixed text, exactly as the window shows it
//   file     the file concerned
//   reason   the system's words, or what is wrong with the file
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
    Status() = default;

    static Status failure(QString message, QString file = QString(), QString reason = QString());
    // A file that could not be used, and why; the message comes later.
    static Status fileFailure(QString file, QString reason);

    bool ok() const { return !m_failure; }
    bool failed() const { return bool(m_failure); }

    // Empty on success.
    const QString& message() const;
    const QString& file() const;
    const QString& reason() const;

    // The same failure under the job's message; success stays success.
    Status withMessage(const QString& message) const;
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
        QString message;
        QString file;
        QString reason;
    };

    explicit Status(Failure failure);

    std::shared_ptr<const Failure> m_failure;
};

}  // namespace quillmark
