#pragma once

// The jobs as the suites run them: one name for each job and map form, the
// inputs in a list in the order of the job's fields, and what a run may be
// handed besides (the facet, a progress display, the commit's options).

#include "jobs.h"
#include "testfiles.h"

#include <QStringList>

#include <optional>
#include <utility>

// The map jobs say which form they write.
enum class Job {
    GenerateMap,
    CombineMap,
    CombineMapIntoContainer,
    ConvertMapToPlain,
    ConvertMapToContainer,
    GenerateStatics,
    CombineStatics
};

struct RunSettings
{
    RunSettings(int onFacet = 0, quillmark::JobProgress* shownOn = nullptr)
        : facet(onFacet), progress(shownOn)
    {}
    int facet;
    quillmark::JobProgress* progress;  // none: a silent one
    quillmark::CommitOptions commit;
    bool force = false;       // a combination applies difference files that do not fit its base
    qint64 heightBlocks = 0;  // of a combination's grid, for the tiles a conflict names; 0: the facet's
};

// A run on `files` instead of the system's own file system.
inline RunSettings on(quillmark::FileSystem& files)
{
    RunSettings run;
    run.commit.files = &files;
    return run;
}

// Inputs in the order of the job's fields: generate map (reference, current),
// combine map (map, dif, difl), convert map (map), generate statics
// (reference index and data, current index and data), combine statics
// (index, data, dif, difi, difl).
inline quillmark::JobOutcome runJob(Job job, const QStringList& in, const QString& out,
                                    const RunSettings& settings = RunSettings())
{
    using namespace quillmark;
    SilentProgress silent;
    JobProgress& progress = settings.progress ? *settings.progress : silent;
    const CommitOptions& options = settings.commit;
    const int facet = settings.facet;
    const bool container = job == Job::CombineMapIntoContainer || job == Job::ConvertMapToContainer;
    const MapFormat format = container ? MapFormat::Uop : MapFormat::Mul;
    if (job == Job::GenerateMap) {
        MapGenerateJob generate;
        generate.referenceMap = in[0];
        generate.currentMap = in[1];
        generate.outDir = out;
        generate.facet = facet;
        return generateMapDiff(generate, progress, options);
    }
    if (job == Job::CombineMap || job == Job::CombineMapIntoContainer) {
        MapCombineJob combine;
        combine.currentMap = in[0];
        combine.difData = in[1];
        combine.difLocator = in[2];
        combine.outDir = out;
        combine.facet = facet;
        combine.format = format;
        combine.force = settings.force;
        combine.heightBlocks = settings.heightBlocks;
        return combineMapDiff(combine, progress, options);
    }
    if (job == Job::ConvertMapToPlain || job == Job::ConvertMapToContainer) {
        MapConvertJob convert;
        convert.map = in[0];
        convert.outDir = out;
        convert.facet = facet;
        convert.format = format;
        return convertMap(convert, progress, options);
    }
    if (job == Job::GenerateStatics) {
        StaticsGenerateJob generate;
        generate.referenceIndex = in[0];
        generate.referenceData = in[1];
        generate.currentIndex = in[2];
        generate.currentData = in[3];
        generate.outDir = out;
        generate.facet = facet;
        return generateStaticsDiff(generate, progress, options);
    }
    StaticsCombineJob combine;
    combine.currentIndex = in[0];
    combine.currentData = in[1];
    combine.difData = in[2];
    combine.difIndex = in[3];
    combine.difLocator = in[4];
    combine.outDir = out;
    combine.facet = facet;
    combine.force = settings.force;
    combine.heightBlocks = settings.heightBlocks;
    return combineStaticsDiff(combine, progress, options);
}

// A verification of `base` (a map; or a statics index and data) against
// difference files in combine's order (map: dif, difl; statics: dif, difi,
// difl).
inline quillmark::JobOutcome verifyPatch(const QStringList& base, const QStringList& difs,
                                         const quillmark::CommitOptions& options = quillmark::CommitOptions(),
                                         std::optional<int> facet = std::nullopt, qint64 heightBlocks = 0)
{
    using namespace quillmark;
    SilentProgress silent;
    if (base.size() == 1) {
        MapVerifyJob verify;
        verify.map = base[0];
        verify.difData = difs[0];
        verify.difLocator = difs[1];
        verify.facet = facet;
        verify.heightBlocks = heightBlocks;
        return verifyMapPatch(verify, silent, options);
    }
    StaticsVerifyJob verify;
    verify.index = base[0];
    verify.data = base[1];
    verify.difData = difs[0];
    verify.difIndex = difs[1];
    verify.difLocator = difs[2];
    verify.facet = facet;
    verify.heightBlocks = heightBlocks;
    return verifyStaticsPatch(verify, silent, options);
}

// Whole, valid inputs of each job in the order of its fields, each a name (in
// the inputs' folder) and its bytes: two maps of three blocks whose middle
// block differs and the difference files between them; two statics pairs
// whose block 0 differs, block 1's bytes lying before block 0's so that a
// combination moves them, and difference files that replace block 0.
using NamedBytes = std::pair<QString, QByteArray>;
inline QList<NamedBytes> validInputs(Job job)
{
    using testfiles::entries;
    const QByteArray reference = testfiles::randomBytes(3 * 196, 1);
    QByteArray current = reference;
    current.replace(196, 196, testfiles::randomBytes(196, 2));
    const NamedBytes map{"map0.mul", reference}, index{"idx", entries({{1, 2, 0}, {0, 1, 0}})},
        data{"data", "cab"};
    switch (job) {
    case Job::GenerateMap:
        return {map, {"current.mul", current}};
    case Job::CombineMap:
    case Job::CombineMapIntoContainer:
        return {map, {"dif", current.mid(196, 196)}, {"difl", testfiles::int32s({1})}};
    case Job::ConvertMapToPlain:
    case Job::ConvertMapToContainer:
        return {map};
    case Job::GenerateStatics:
        return {index, data, {"idx2", entries({{0, 2, 7}, {2, 1, 0}})}, {"data2", "xyc"}};
    case Job::CombineStatics:
        break;
    }
    return {index, data, {"sdif", "xyz"}, {"sdifi", entries({{0, 3, 0}})}, {"sdifl", testfiles::int32s({1})}};
}
