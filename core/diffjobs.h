#pragma once

// The four jobs, free of any widget: generation compares a reference copy with
// a current copy and writes difference files; combination applies difference
// files and writes new full files. Each runs its checks in a fixed order and
// stops at the first that fails, with that check's message. Outputs appear in
// the output directory only when the whole job has succeeded; a job that fails
// or is stopped leaves the directory as it found it.

#include "joboutcome.h"
#include "jobprogress.h"

#include <QString>

struct MapGenerateJob
{
    QString referenceMap;
    QString currentMap;
    QString outDir;
    int facet = 0;
};

struct MapCombineJob
{
    QString currentMap;
    QString difData;
    QString difLocator;
    QString outDir;
    int facet = 0;
};

struct StaticsGenerateJob
{
    QString referenceIndex;
    QString referenceData;
    QString currentIndex;
    QString currentData;
    QString outDir;
    int facet = 0;
};

struct StaticsCombineJob
{
    QString currentIndex;
    QString currentData;
    QString difData;
    QString difIndex;
    QString difLocator;
    QString outDir;
    int facet = 0;
};

// Writes mapdif<n>.mul and mapdifl<n>.mul.
JobOutcome generateMapDiff(const MapGenerateJob& job, JobProgress& progress);
// Writes map<n>.mul.
JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress);
// Writes stadif<n>.mul, stadifl<n>.mul and stadifi<n>.mul.
JobOutcome generateStaticsDiff(const StaticsGenerateJob& job, JobProgress& progress);
// Writes statics<n>.mul and staidx<n>.mul.
JobOutcome combineStaticsDiff(const StaticsCombineJob& job, JobProgress& progress);
