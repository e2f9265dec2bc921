#include "memoryfilesystem.h"

#include <QDir>

#include <algorithm>

using namespace quillmark;

struct MemoryFileSystem::Node
{
    Node(EntryKind nodeKind, quint64 id) : kind(nodeKind), identity(id) {}

    EntryKind kind;  // never Missing
    quint64 identity;
    QByteArray bytes, synced;  // of a file: now, and as its last sync left it
    qint64 hole = 0;           // of a sparse file: the zeros it claims past its bytes
    std::map<QString, std::shared_ptr<Node>> entries, syncedEntries;  // of a folder
    QString target;                                                   // of a link
    int writers = 0;                                                  // open WritableFiles
    int readers = 0;                                                  // open ReadableFiles
    bool locked = false;                                              // of a lock's file
    quint32 permissions = 0644;                                       // as a umask of 022 leaves them

    qint64 size() const { return bytes.size() + hole; }
};

// Where a path leads: the folder holding its last name (null when a folder
// on the way is missing, or for the root), that name, what stands there (null
// when nothing does) and the canonical path of it all.
struct MemoryFileSystem::Place
{
    std::shared_ptr<Node> parent;
    QString name;
    std::shared_ptr<Node> node;
    QString path;
    bool looped = false;  // a chain of links too long to follow
};

namespace {

using Node = MemoryFileSystem::Node;

QStringList components(const QString& path)
{
    QString plain = path;
    if (plain.size() >= 2 && plain.at(1) == QLatin1Char(':'))
        plain.remove(0, 2);
    return plain.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

Status failure(const QString& path, Status::Kind kind, const char* reason)
{
    return Status::fileFailure(kind, path, QLatin1String(reason));
}

QByteArray identityOf(const Node* node)
{
    return node ? "mem:" + QByteArray::number(node->identity) : QByteArray();
}

// What opening a file finds at its place: a regular file, or the system's words.
Status regularFile(const QString& path, const Node* node)
{
    if (!node)
        return failure(path, Status::Kind::NotFound, "No such file or directory");
    if (node->kind == EntryKind::Directory)
        return failure(path, Status::Kind::NotRegularFile, "Is a directory");
    if (node->kind != EntryKind::RegularFile)
        return failure(path, Status::Kind::NotRegularFile, "not a regular file");
    return Status();
}

class MemoryReadableFile final : public ReadableFile
{
public:
    explicit MemoryReadableFile(std::shared_ptr<Node> node) : m_node(std::move(node)), m_size(m_node->size())
    {
        ++m_node->readers;
    }
    ~MemoryReadableFile() override { --m_node->readers; }

    qint64 size() const override { return m_size; }
    QByteArray identity() const override { return identityOf(m_node.get()); }

    Status readAt(qint64 offset, char* bytes, qint64 length, qint64& got) override
    {
        got = qBound(qint64(0), m_node->size() - offset, length);
        const qint64 held = qBound(qint64(0), qint64(m_node->bytes.size()) - offset, got);
        std::copy_n(m_node->bytes.constData() + offset, held, bytes);
        std::fill_n(bytes + held, got - held, '\0');
        return Status();
    }

private:
    std::shared_ptr<Node> m_node;
    qint64 m_size;
};

class MemoryWritableFile final : public WritableFile
{
public:
    explicit MemoryWritableFile(std::shared_ptr<Node> node) : m_node(std::move(node)) { ++m_node->writers; }
    ~MemoryWritableFile() override { m_node->writers -= m_open ? 1 : 0; }

    Status write(const char* bytes, qint64 length) override
    {
        const Status written = writeAt(m_position, bytes, length);
        m_position += written.ok() ? length : 0;
        return written;
    }

    Status writeAt(qint64 offset, const char* bytes, qint64 length) override
    {
        // Only files created anew are written: none has a hole.
        if (m_node->bytes.size() < offset + length)
            m_node->bytes.resize(offset + length, '\0');
        std::copy_n(bytes, length, m_node->bytes.data() + offset);
        return Status();
    }

    void startWritingBack() override {}

    Status sync() override
    {
        m_node->synced = m_node->bytes;
        return Status();
    }

    Status close() override
    {
        m_node->writers -= m_open ? 1 : 0;
        m_open = false;
        return Status();
    }

private:
    std::shared_ptr<Node> m_node;
    qint64 m_position = 0;
    bool m_open = true;
};

class MemoryLock final : public HeldLock
{
public:
    MemoryLock(MemoryFileSystem& files, std::shared_ptr<Node> lockFile, const QString& path)
        : m_files(files), m_lockFile(std::move(lockFile)), m_path(path)
    {
        m_lockFile->locked = true;
    }
    // The lock's file goes as it is let go, as the system's own lock does.
    ~MemoryLock() override
    {
        m_lockFile->locked = false;
        (void)m_files.remove(m_path);
    }

private:
    MemoryFileSystem& m_files;
    std::shared_ptr<Node> m_lockFile;
    QString m_path;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem() : m_root(std::make_shared<Node>(EntryKind::Directory, 0)) {}

MemoryFileSystem::~MemoryFileSystem() = default;

// Names are looked up one at a time; a link on the way (or at the end, when
// followed) is replaced by the path it holds, as the system resolves it.
// `walked` holds the canonical path of each folder passed.
MemoryFileSystem::Place MemoryFileSystem::find(const QString& path, bool followLast) const
{
    std::vector<std::pair<QString, std::shared_ptr<Node>>> walked{{QString(), m_root}};
    QStringList pending = components(path);
    for (int hops = 0; !pending.isEmpty();) {
        const QString name = pending.takeFirst();
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            if (walked.size() > 1)
                walked.pop_back();
            continue;
        }
        const std::shared_ptr<Node> folder = walked.back().second;
        if (folder->kind != EntryKind::Directory)
            return {};
        const auto found = folder->entries.find(name);
        const std::shared_ptr<Node> node = found == folder->entries.end() ? nullptr : found->second;
        const bool last = pending.isEmpty();
        if (node && node->kind == EntryKind::Link && (!last || followLast)) {
            if (++hops > 40)
                return {nullptr, QString(), nullptr, QString(), true};
            if (node->target.startsWith(QLatin1Char('/')))
                walked.resize(1);
            pending = components(node->target) + pending;
            continue;
        }
        const QString canonical = walked.back().first + QLatin1Char('/') + name;
        if (last)
            return {folder, name, node, canonical};
        if (!node)
            return {};
        walked.emplace_back(canonical, node);
    }
    const QString& reached = walked.back().first;
    return {nullptr, QString(), walked.back().second, reached.isEmpty() ? QStringLiteral("/") : reached};
}

Status MemoryFileSystem::look(const QString& path, bool followLast, Place& place) const
{
    place = find(path, followLast);
    return place.looped ? failure(path, Status::Kind::NotFound, "Too many levels of symbolic links")
                        : Status();
}

// Looks `path` up, and answers with what `from` makes of the place found.
template <typename Answer, typename From>
Status MemoryFileSystem::answer(const QString& path, bool followLast, Answer& answer, From from) const
{
    Place place;
    const Status looked = look(path, followLast, place);
    answer = from(place);
    return looked;
}

void MemoryFileSystem::apply(const NameChange& changed)
{
    for (const Naming& naming : changed) {
        if (naming.node)
            naming.folder->entries[naming.name] = naming.node;
        else
            naming.folder->entries.erase(naming.name);
    }
}

void MemoryFileSystem::change(const std::shared_ptr<Node>& folder, const QString& name,
                              const std::shared_ptr<Node>& node)
{
    m_journal.push_back({{folder, name, node}});
    apply(m_journal.back());
}

// Every folder changed since its sync back to its synced names (no other
// has changed), then the changes kept replayed in the order they were made;
// every file back to its synced bytes.
void MemoryFileSystem::powerCut(int lost)
{
    for (const NameChange& made : m_journal) {
        for (const Naming& naming : made)
            naming.folder->entries = naming.folder->syncedEntries;
    }
    for (size_t i = 0; i < m_journal.size() && lost != NoneKept; ++i) {
        if (int(i) != lost)
            apply(m_journal[i]);
    }
    m_journal.clear();
    std::vector<std::shared_ptr<Node>> pending{m_root};
    while (!pending.empty()) {
        const std::shared_ptr<Node> node = pending.back();
        pending.pop_back();
        node->bytes = node->synced;
        node->writers = 0;
        node->locked = false;
        node->syncedEntries = node->entries;
        for (const auto& entry : node->entries)
            pending.push_back(entry.second);
    }
}

std::shared_ptr<Node> MemoryFileSystem::newNode(EntryKind kind)
{
    return std::make_shared<Node>(kind, m_nextIdentity++);
}

// Set-up entries are there as if the folder had been flushed long ago.
void MemoryFileSystem::makeEntry(const QString& path, const std::shared_ptr<Node>& node)
{
    const Place place = find(path, false);
    if (place.parent)
        place.parent->entries[place.name] = place.parent->syncedEntries[place.name] = node;
}

void MemoryFileSystem::makeFolder(const QString& path)
{
    QString made;
    for (const QString& name : components(path)) {
        made += QLatin1Char('/') + name;
        if (!find(made, false).node) {
            auto folder = newNode(EntryKind::Directory);
            folder->permissions = 0755;
            makeEntry(made, folder);
        }
    }
}

void MemoryFileSystem::writeFile(const QString& path, const QByteArray& bytes)
{
    auto node = newNode(EntryKind::RegularFile);
    node->bytes = node->synced = bytes;
    makeEntry(path, node);
}

QStringList MemoryFileSystem::writeFiles(const QString& folder,
                                         const QList<std::pair<QString, QByteArray>>& files)
{
    makeFolder(folder);
    QStringList paths;
    for (const auto& [name, bytes] : files) {
        paths << folder + QLatin1Char('/') + name;
        writeFile(paths.back(), bytes);
    }
    return paths;
}

void MemoryFileSystem::makeLink(const QString& path, const QString& target)
{
    auto node = newNode(EntryKind::Link);
    node->target = target;
    makeEntry(path, node);
}

void MemoryFileSystem::makeSpecial(const QString& path)
{
    makeEntry(path, newNode(EntryKind::Special));
}

void MemoryFileSystem::resize(const QString& path, qint64 size)
{
    const Place place = find(path, true);
    if (!place.node || place.node->kind != EntryKind::RegularFile)
        return;
    Node& file = *place.node;
    file.bytes.truncate(qsizetype(qMin(size, qint64(file.bytes.size()))));
    file.hole = size - file.bytes.size();
    file.synced = file.bytes;
}

EntryKind MemoryFileSystem::kindAt(const QString& path) const
{
    const Place place = find(path, false);
    return place.node ? place.node->kind : EntryKind::Missing;
}

QByteArray MemoryFileSystem::identityAt(const QString& path) const
{
    return identityOf(find(path, false).node.get());
}

QByteArray MemoryFileSystem::contents(const QString& path) const
{
    const Place place = find(path, true);
    return place.node && place.node->kind == EntryKind::RegularFile ? place.node->bytes : QByteArray();
}

QMap<QString, QByteArray> MemoryFileSystem::folder(const QString& path) const
{
    QMap<QString, QByteArray> listed;
    const Place place = find(path, true);
    if (!place.node || place.node->kind != EntryKind::Directory)
        return listed;
    for (const auto& [name, node] : place.node->entries)
        listed[name] = node->kind == EntryKind::Link        ? "-> " + node->target.toUtf8()
                       : node->kind == EntryKind::Directory ? QByteArray("<folder>")
                       : node->kind == EntryKind::Special   ? QByteArray("<special>")
                                                            : node->bytes;
    return listed;
}

Status MemoryFileSystem::openForReading(const QString& path, FinalLink link,
                                        std::unique_ptr<ReadableFile>& file)
{
    file.reset();
    Place place;
    if (const Status looked = look(path, link == FinalLink::Followed, place); looked.failed())
        return looked;
    if (const Status regular = regularFile(path, place.node.get()); regular.failed())
        return regular;
    file = std::make_unique<MemoryReadableFile>(place.node);
    return Status();
}

Status MemoryFileSystem::createNew(const QString& path, std::unique_ptr<WritableFile>& file)
{
    file.reset();
    const Place place = find(path, false);
    if (!place.parent)
        return failure(path, Status::Kind::NotFound, "No such file or directory");
    if (place.node)
        return failure(path, Status::Kind::Other, "File exists");
    auto node = newNode(EntryKind::RegularFile);
    change(place.parent, place.name, node);
    file = std::make_unique<MemoryWritableFile>(node);
    return Status();
}

Status MemoryFileSystem::createFolder(const QString& path)
{
    const Place place = find(path, false);
    if (!place.parent)
        return failure(path, Status::Kind::NotFound, "No such file or directory");
    if (place.node)
        return failure(path, Status::Kind::Other, "File exists");
    auto folder = newNode(EntryKind::Directory);
    folder->permissions = 0755;
    change(place.parent, place.name, folder);
    return Status();
}

Status MemoryFileSystem::replace(const QString& from, const QString& to)
{
    const Place source = find(from, false), target = find(to, false);
    if (!source.node || !target.parent)
        return failure(to, Status::Kind::NotFound, "No such file or directory");
    if (target.node && target.node->kind == EntryKind::Directory)
        return failure(to, Status::Kind::NotRegularFile, "Is a directory");
    // As on Windows, where a file open for writing cannot be renamed, nor
    // one open at all be replaced.
    if (source.node->writers > 0)
        return failure(from, Status::Kind::InUse, "It is still open for writing");
    if (target.node && target.node->readers > 0)
        return failure(to, Status::Kind::InUse, "It is open for reading");
    // One step, whatever the disk keeps of it.
    if (source.parent == target.parent && source.name == target.name)
        return Status();
    m_journal.push_back({{source.parent, source.name, nullptr}, {target.parent, target.name, source.node}});
    apply(m_journal.back());
    return Status();
}

Status MemoryFileSystem::hardLink(const QString& existing, const QString& newName)
{
    const Place source = find(existing, false), target = find(newName, false);
    if (!source.node || !target.parent)
        return failure(newName, Status::Kind::NotFound, "No such file or directory");
    if (target.node)
        return failure(newName, Status::Kind::Other, "File exists");
    change(target.parent, target.name, source.node);
    return Status();
}

Status MemoryFileSystem::copy(const QString& from, const QString& to)
{
    const Place source = find(from, true), target = find(to, false);
    if (!source.node || !target.parent)
        return failure(to, Status::Kind::NotFound, "No such file or directory");
    if (target.node)
        return failure(to, Status::Kind::Other, "File exists");
    auto node = newNode(EntryKind::RegularFile);
    node->bytes = source.node->bytes;
    node->hole = source.node->hole;
    node->permissions = source.node->permissions;
    change(target.parent, target.name, node);
    return Status();
}

Status MemoryFileSystem::remove(const QString& path)
{
    const Place place = find(path, false);
    if (place.node && place.node->kind == EntryKind::Directory)
        return failure(path, Status::Kind::NotRegularFile, "Is a directory");
    if (place.node)
        change(place.parent, place.name, nullptr);
    return Status();
}

Status MemoryFileSystem::syncDirectory(const QString& path)
{
    const Place place = find(path, true);
    if (!place.node || place.node->kind != EntryKind::Directory)
        return failure(path, Status::Kind::NotFound, "No such file or directory");
    place.node->syncedEntries = place.node->entries;
    for (NameChange& made : m_journal) {
        made.erase(std::remove_if(made.begin(), made.end(),
                                  [&](const Naming& naming) { return naming.folder == place.node; }),
                   made.end());
    }
    m_journal.erase(std::remove_if(m_journal.begin(), m_journal.end(),
                                   [](const NameChange& made) { return made.empty(); }),
                    m_journal.end());
    return Status();
}

Status MemoryFileSystem::setPermissions(const QString& path, quint32 bits)
{
    Place place;
    if (const Status looked = look(path, true, place); looked.failed() || !place.node)
        return looked.failed() ? looked : failure(path, Status::Kind::NotFound, "No such file or directory");
    place.node->permissions = bits & 07777;
    return Status();
}

Status MemoryFileSystem::entryKind(const QString& path, EntryKind& kind)
{
    return answer(path, false, kind,
                  [](const Place& place) { return place.node ? place.node->kind : EntryKind::Missing; });
}

Status MemoryFileSystem::followedKind(const QString& path, EntryKind& kind)
{
    return answer(path, true, kind,
                  [](const Place& place) { return place.node ? place.node->kind : EntryKind::Missing; });
}

Status MemoryFileSystem::isWritable(const QString& path, bool& writable)
{
    return answer(path, true, writable,
                  [](const Place& place) { return place.node && (place.node->permissions & 0200); });
}

Status MemoryFileSystem::permissions(const QString& path, std::optional<quint32>& bits)
{
    Place place;
    bits.reset();
    if (const Status looked = look(path, true, place); looked.failed() || !place.node)
        return looked.failed() ? looked : failure(path, Status::Kind::NotFound, "No such file or directory");
    bits = place.node->permissions;
    return Status();
}

Status MemoryFileSystem::identity(const QString& path, QByteArray& identity)
{
    return answer(path, false, identity, [](const Place& place) { return identityOf(place.node.get()); });
}

Status MemoryFileSystem::followedIdentity(const QString& path, QByteArray& identity)
{
    return answer(path, true, identity, [](const Place& place) { return identityOf(place.node.get()); });
}

Status MemoryFileSystem::canonicalPath(const QString& path, QString& canonical)
{
    return answer(path, true, canonical,
                  [](const Place& place) { return place.node ? place.path : QString(); });
}

Status MemoryFileSystem::linkTarget(const QString& path, QString& target)
{
    Place place;
    target.clear();
    if (const Status looked = look(path, false, place);
        looked.failed() || !place.node || place.node->kind != EntryKind::Link)
        return looked;
    const QString& named = place.node->target;
    target = named.startsWith(QLatin1Char('/'))
                 ? named
                 : QDir::cleanPath(place.path.left(place.path.lastIndexOf(QLatin1Char('/')))
                                   + QLatin1Char('/') + named);
    return Status();
}

Status MemoryFileSystem::entries(const QString& path, QStringList& names)
{
    Place place;
    names.clear();
    if (const Status looked = look(path, true, place); looked.failed())
        return looked;
    if (!place.node)
        return failure(path, Status::Kind::NotFound, "No such file or directory");
    if (place.node->kind != EntryKind::Directory)
        return failure(path, Status::Kind::NotRegularFile, "Not a directory");
    names = folder(path).keys();
    return Status();
}

Status MemoryFileSystem::ownedByWriter(const QString& path, bool& owned)
{
    return answer(path, false, owned, [](const Place& place) {
        return place.node && place.node->kind == EntryKind::RegularFile && place.node->writers > 0;
    });
}

// A link or special file under the lock's name goes first, as with the
// system's own lock.
Status MemoryFileSystem::tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock)
{
    held = false;
    lock.reset();
    Place place = find(path, false);
    if (!place.parent)
        return failure(path, Status::Kind::NotFound, "No such file or directory");
    if (place.node && place.node->kind == EntryKind::Directory)
        return failure(path, Status::Kind::NotRegularFile, "not a regular file");
    if (!place.node || place.node->kind != EntryKind::RegularFile) {
        place.node = newNode(EntryKind::RegularFile);
        change(place.parent, place.name, place.node);
    }
    held = place.node->locked;
    if (!held)
        lock = std::make_unique<MemoryLock>(*this, place.node, path);
    return Status();
}
