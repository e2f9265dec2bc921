#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace quillmark {

// The problems an inspection found, by kind, in the order the kinds were first
// met: every one is counted, but only the first few of each kind are kept as
// examples, so that a badly damaged file still gives a short report.
class Findings
{
public:
    static constexpr int MaxExamples = 5;

    struct Kind
    {
        QString name;
        qint64 count = 0;
        QStringList examples;
    };

    void add(const QString& kind, const QString& example);
    // Counts `more` findings of `kind` whose examples are not kept.
    void addUnnamed(const QString& kind, qint64 more);
    // Adds every finding of `other` after those already here.
    void append(const Findings& other);

    qint64 total() const;
    const std::vector<Kind>& kinds() const { return m_kinds; }

private:
    std::vector<Kind> m_kinds;
};

}  // namespace quillmark
