#pragma once

#include <QString>

namespace quillmark {

// The files a review reads, as they were named: the reference map and
// statics, and either difference files to apply to them, a whole current
// facet to set beside them, or two edited copies of them (ours and theirs)
// whose merge is set beside them, the reference being their base.
struct ReportSources
{
    QString map;            // the reference map
    QString currentMap;     // two whole facets: the current map; empty when difference files are given
    QString mapDifLocator;  // empty, with mapDifData, when no map difference files are given
    QString mapDifData;
    QString staticsIndex;  // the reference statics; empty, with the rest, when no statics are given
    QString staticsData;
    QString currentStaticsIndex;  // two whole facets
    QString currentStaticsData;
    QString staticsDifLocator;  // difference files
    QString staticsDifIndex;
    QString staticsDifData;
    QString oursMap;  // a merge: our and their maps; empty otherwise
    QString theirsMap;
    QString oursStaticsIndex;  // and statics, when the base's are given
    QString oursStaticsData;
    QString theirsStaticsIndex;
    QString theirsStaticsData;

    bool comparesFacets() const { return !currentMap.isEmpty(); }
    bool reviewsMerge() const { return !oursMap.isEmpty(); }
    bool hasMapDifs() const { return !mapDifLocator.isEmpty(); }
    bool hasStatics() const { return !staticsIndex.isEmpty(); }
};

}  // namespace quillmark
