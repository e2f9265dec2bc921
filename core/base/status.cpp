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

Status Status::failure(QString message, QString file, QString reason)
{
    return Status(Failure{std::move(message), std::move(file), std::move(reason)});
}

Status Status::fileFailure(QString file, QString reason)
{
    return Status(Failure{QString(), std::move(file), std::move(reason)});
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
    return Status(Failure{message, m_failure->file, m_failure->reason});
}

Status Status::withMoreReason(const QString& more) const
{
    if (ok())
        return *this;
    const QString reason =
        m_failure->reason.isEmpty() ? more : m_failure->reason + QLatin1String("; ") + more;
    return Status(Failure{m_failure->message, m_failure->file, reason});
}

Status Status::withAction(const QString& action) const
{
    if (ok())
        return *this;
    return Status::failure(action + QLatin1Char(' ') + m_failure->file + QLatin1String(": ")
                           + m_failure->reason);
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
