#pragma once

// Inspection of a set of difference files, without writing anything: record
// counts, whether the files agree with each other in length, and block numbers
// that repeat, are negative, fall outside the map or statics index they are
// meant for, or are out of order; for statics also difference index records
// that reach outside the difference data file.

#include "findings.h"
#include "status.h"

#include <QString>
#include <QStringList>

#include <vector>

struct DifAudit
{
    Status status = Status::success();  // a file could not be read: nothing else is valid
    QStringList facts;                  // "locator: PATH, 24 records", ...
    Findings findings;
    std::vector<qint32> blocks;  // the locator's block numbers, in record order
    qint64 gridBlocks = -1;      // blocks of the map or statics index given, -1 when none
};

struct MapDifFiles
{
    QString locator;
    QString data;
    QString map;  // optional
};

struct StaticsDifFiles
{
    QString locator;
    QString index;
    QString data;
    QString staticsIndex;  // optional
};

DifAudit auditMapDif(const MapDifFiles& files);
DifAudit auditStaticsDif(const StaticsDifFiles& files);
