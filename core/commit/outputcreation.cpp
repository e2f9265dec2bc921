#include "outputcreation.h"

#include "outputfolder.h"
#include "outputpath.h"
#include "stagedfile.h"

#include <QFileInfo>

namespace quillmark {

namespace {

// Names as short as tell them apart: the file names of two outputs of one
// folder, the paths otherwise.
QString bothNamed(const QString& first, const QString& second)
{
    const QString firstName = QFileInfo(first).fileName(), secondName = QFileInfo(second).fileName();
    if (firstName != secondName)
        return QStringLiteral("%1 and %2 are the same file").arg(firstName, secondName);
    return QStringLiteral("%1 and %2 are the same file").arg(first, second);
}

bool sameName(const QString& first, const QString& second)
{
#ifdef Q_OS_WIN
    return first.compare(second, Qt::CaseInsensitive) == 0;
#else
    return first == second;
#endif
}

}  // namespace

FileRoles& FileRoles::reads(const Input& input)
{
    m_inputs.push_back({input.path(), input.identity(), nullptr});
    return *this;
}

FileRoles& FileRoles::reads(const QString& path)
{
    m_inputs.push_back({path, QByteArray(), nullptr});
    return *this;
}

FileRoles& FileRoles::replaces(const Output& output, const Input& input)
{
    m_inputs.push_back({input.path(), input.identity(), &output});
    return *this;
}

// A destination that does not exist yet can be no input; two outputs that
// do not exist yet are one file when their links lead to one name.
Status FileRoles::check(const std::vector<Output*>& outputs, FileSystem& files) const
{
    std::vector<QByteArray> identities;
    for (size_t i = 0; i < outputs.size(); ++i) {
        Output& output = *outputs[i];
        const QString& destination = output.staged().destination();
        identities.emplace_back();
        if (const Status looked = files.identity(destination, identities[i]); looked.failed())
            return looked.withFile(output.target());
        for (size_t j = 0; j < i; ++j) {
            const QString& earlier = outputs[j]->staged().destination();
            if ((!identities[i].isEmpty() && identities[i] == identities[j])
                || sameName(destination, earlier))
                return Status::fileFailure(Status::Kind::SameFile, output.target(),
                                           bothNamed(output.target(), outputs[j]->target()));
        }
        for (const ReadFile& input : m_inputs) {
            QByteArray read = input.identity;
            if (read.isEmpty()) {
                if (const Status looked = files.followedIdentity(input.path, read); looked.failed())
                    return looked;
            }
            if (!identities[i].isEmpty() && identities[i] == read && input.newVersion != &output)
                return Status::fileFailure(Status::Kind::SameFile, output.target(),
                                           QStringLiteral("%1 and %2 are the same file")
                                               .arg(QFileInfo(output.target()).fileName(), input.path));
        }
    }
    return Status();
}

Status createOutputs(const std::vector<Output*>& outputs, const FileRoles& roles,
                     const CommitOptions& options)
{
    return createMoreOutputs(outputs, 0, roles, options);
}

Status createMoreOutputs(const std::vector<Output*>& outputs, size_t made, const FileRoles& roles,
                         const CommitOptions& options)
{
    if (made >= outputs.size())
        return Status();
    QStringList folders;
    for (size_t i = made; i < outputs.size(); ++i) {
        if (const Status resolved = outputs[i]->staged().resolve(); resolved.failed())
            return resolved;
        folders << outputpath::folderOf(outputs[i]->staged().destination(), *options.files);
    }
    FolderSet locked(options);
    if (const Status opened = locked.open(folders); opened.failed())
        return opened.withFile(outputs[made]->target());
    for (const auto& folder : locked.folders())
        folder->removeDebris();
    if (const Status checked = roles.check(outputs, *options.files); checked.failed())
        return checked;
    for (size_t i = made; i < outputs.size(); ++i) {
        if (const Status created = outputs[i]->create(); created.failed())
            return created;
    }
    return Status();
}

}  // namespace quillmark
