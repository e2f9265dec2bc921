#pragma once

#include <QString>

#include <utility>

// The result of a tool's own work (drawing a picture, checking a facet,
// reading options): success, or the message that says what went wrong.
class Status
{
public:
    static Status success() { return Status(); }
    static Status failure(QString message) { return Status(std::move(message)); }

    bool ok() const { return !m_failed; }
    // Empty on success.
    const QString& message() const { return m_message; }

private:
    Status() = default;
    explicit Status(QString message) : m_message(std::move(message)), m_failed(true) {}

    QString m_message;
    bool m_failed = false;
};
