#include "reportoutput.h"

#include "reportmessages.h"

#include "blockwalk.h"
#include "stagedfile.h"

namespace report {

namespace {

class StagedText final : public TextOut
{
public:
    explicit StagedText(StagedFile& file) : m_file(file) {}
    void write(const char* bytes, qint64 length) override { m_file.append(bytes, length); }
    using TextOut::write;

private:
    StagedFile& m_file;
};

}  // namespace

struct ReportOutputs::Files
{
    Files(const QString& htmlPath, const QString& jsonPath, JobProgress& progress)
        : htmlFile(htmlPath), jsonFile(jsonPath), html(htmlFile), json(jsonFile), hasJson(!jsonPath.isEmpty())
    {
        if (hasJson)
            walk.emplace(progress, std::initializer_list<StagedFile*>{&htmlFile, &jsonFile},
                         reportmessage::UnableToWriteReport);
        else
            walk.emplace(progress, std::initializer_list<StagedFile*>{&htmlFile},
                         reportmessage::UnableToWriteReport);
    }

    BlockWalk& blockWalk() { return *walk; }

    StagedFile htmlFile;
    StagedFile jsonFile;
    StagedText html;
    StagedText json;
    bool hasJson;
    std::optional<BlockWalk> walk;
};

ReportOutputs::ReportOutputs(const QString& html, const QString& json, JobProgress& progress)
    : m(std::make_unique<Files>(html, json, progress))
{}

ReportOutputs::~ReportOutputs() = default;

std::optional<JobFailure> ReportOutputs::create()
{
    return m->blockWalk().createOutputs(reportmessage::UnableToCreateReport);
}

bool ReportOutputs::walk(qint64 blocks, const std::function<std::optional<JobFailure>(qint64)>& step)
{
    return m->blockWalk().walk(blocks, step);
}

void ReportOutputs::fail(JobFailure failure)
{
    m->blockWalk().fail(std::move(failure));
}

TextOut& ReportOutputs::html()
{
    return m->html;
}

TextOut* ReportOutputs::json()
{
    return m->hasJson ? &m->json : nullptr;
}

JobOutcome ReportOutputs::finish(JobResult result)
{
    result.written = QStringList{m->htmlFile.target()};
    if (m->hasJson)
        result.written << m->jsonFile.target();
    return m->blockWalk().finish({}, std::move(result));
}

}  // namespace report
