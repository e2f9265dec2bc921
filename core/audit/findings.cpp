#include "findings.h"

namespace quillmark {

namespace {

std::vector<Findings::Kind>::iterator kindNamed(std::vector<Findings::Kind>& kinds, const QString& name)
{
    auto it = kinds.begin();
    while (it != kinds.end() && it->name != name)
        ++it;
    return it != kinds.end() ? it : kinds.insert(kinds.end(), Findings::Kind{name, 0, {}});
}

}  // namespace

void Findings::add(const QString& kind, const QString& example)
{
    const auto it = kindNamed(m_kinds, kind);
    ++it->count;
    if (it->examples.size() < MaxExamples)
        it->examples << example;
}

void Findings::addUnnamed(const QString& kind, qint64 more)
{
    if (more > 0)
        kindNamed(m_kinds, kind)->count += more;
}

void Findings::append(const Findings& other)
{
    for (const Kind& kind : other.m_kinds) {
        const auto it = kindNamed(m_kinds, kind.name);
        it->count += kind.count;
        for (const QString& example : kind.examples) {
            if (it->examples.size() < MaxExamples)
                it->examples << example;
        }
    }
}

qint64 Findings::total() const
{
    qint64 total = 0;
    for (const Kind& kind : m_kinds)
        total += kind.count;
    return total;
}

}  // namespace quillmark
