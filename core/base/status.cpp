#include "status.h"

#include <QStringList>

namespace quillmark {

namespace {

const QString& noText()
{
    static const QString empty;
    return empty;
}

}  // namespace

Status::Status(Failure failure) : m_failure(std::make_shared<const Failure>(std::move(failure))) {}

Status Status::failure(Kind kind, QString message, QString file, QString reason, qint64 block)
{
    return Status(Failure{kind, std::move(message), std::move(file), std::move(reason), block});
}

Status Status::fileFailure(Kind kind, QString file, QString reason)
{
    return failure(kind, QString(), std::move(file), std::move(reason));
}

const QString& Status::message() const
{
    return m_failure ? m_failure->message : noText();
}

const QString& Status::file() const
{
    return m_failure ? m_failure->file : noText();
}

const QString& Status::reason() const
{
    return m_failure ? m_failure->reason : noText();
}

Status Status::withMessage(const QString& message) const
{
    if (ok())
        return *this;
    Failure failure = *m_failure;
    failure.message = message;
    return Status(std::move(failure));
}

Status Status::withFile(const QString& file) const
{
    if (ok())
        return *this;
    Failure failure = *m_failure;
    failure.file = file;
    return Status(std::move(failure));
}

Status Status::withKind(Kind kind) const
{
    if (ok())
        return *this;
    Failure failure = *m_failure;
    failure.kind = kind;
    return Status(std::move(failure));
}

Status Status::withMoreReason(const QString& more) const
{
    if (ok())
        return *this;
    Failure failure = *m_failure;
    failure.reason = m_failure->reason.isEmpty() ? more : m_failure->reason + QLatin1String("; ") + more;
    return Status(std::move(failure));
}

Status Status::withAction(const QString& action) const
{
    if (ok())
        return *this;
    return Status::failure(m_failure->kind,
                           action + QLatin1Char(' ') + m_failure->file + QLatin1String(": ")
                               + m_failure->reason,
                           QString(), QString(), m_failure->block);
}

QString Status::text() const
{
    QStringList parts;
    for (const QString* part : {&message(), &file(), &reason()}) {
        if (!part->isEmpty())
            parts << *part;
    }
    return parts.join(QLatin1String(": "));
}

}  // namespace quillmark
