#include "mapoutput.h"

#include "uopformat.h"

MapOutput::MapOutput(const QString& target, MapFormat format, int facet, qint64 mapSize) : m_target(target)
{
    if (format == MapFormat::Uop)
        m_container = std::make_unique<UopMapWriter>(target, facet, mapSize);
    else
        m_plain = std::make_unique<StagedFile>(target);
}

bool MapOutput::start()
{
    if (m_container && !m_container->start())
        return fail(QStringLiteral("A container holds the maps of facets 0 to %1 only")
                        .arg(uopformat::FacetCount - 1));
    return true;
}

bool MapOutput::create()
{
    if (!staged().create())
        return fail(staged().errorString());
    return start();
}

bool MapOutput::finish()
{
    if (m_container && !staged().failed() && !m_container->finish() && !staged().failed())
        return fail(m_container->failed() ? QStringLiteral("More map bytes than the container was made for")
                                          : QStringLiteral("The map was not written whole"));
    if (staged().failed())
        return fail(staged().errorString());
    return true;
}

bool MapOutput::fail(const QString& reason)
{
    m_error = reason;
    return false;
}
