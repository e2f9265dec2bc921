#include "facets.h"

#include <QStringList>

namespace quillmark::facets {

namespace {

constexpr Geometry Table[Count] = {
    {"Felucca", 896, 512}, {"Trammel", 896, 512}, {"Ilshenar", 288, 200},
    {"Malas", 320, 256},   {"Tokuno", 181, 181},  {"TerMur", 160, 512},
};

}  // namespace

const Geometry& geometry(int facet)
{
    Q_ASSERT(facet >= 0 && facet < Count);
    return Table[facet];
}

std::optional<int> fromText(const QString& text)
{
    // Digits only: " 1" or "+1" are not facet numbers.
    if (text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) < QLatin1Char('0' + Count))
        return text.at(0).unicode() - '0';
    for (int facet = 0; facet < Count; ++facet) {
        if (text.compare(QLatin1String(Table[facet].name), Qt::CaseInsensitive) == 0)
            return facet;
    }
    return std::nullopt;
}

QString nameList()
{
    QStringList names;
    for (const Geometry& facet : Table)
        names << QLatin1String(facet.name);
    return names.join(QLatin1String(", "));
}

}  // namespace quillmark::facets
