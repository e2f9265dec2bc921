#include "pageset.h"

#include "pagehead.h"

#include <QDir>
#include <QFileInfo>

namespace quillmark {

namespace {

// The most a page's foot takes, with its link to the next page.
constexpr qint64 FootBytes = 512;

qint64 headBytes(const QString& title)
{
    Html head;
    writePageHead(head, title);
    writeLegend(head);
    return head.size();
}

}  // namespace

QString PageSet::pageName(const QString& first, int number)
{
    const QString name = QFileInfo(first).fileName();
    if (number == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral("-%1").arg(number);
    return dot > 0 ? name.left(dot) + suffix + name.mid(dot) : name + suffix;
}

PageSet::PageSet(StagedFile& first, FileSystem& files, CreatePage create, QString title)
    : m_first(first),
      m_files(files),
      m_create(std::move(create)),
      m_title(std::move(title)),
      m_headBytes(headBytes(m_title))
{
    m_places.pages << pageName(first.target(), 1);
}

PageSet::~PageSet() = default;

void PageSet::begin(size_t regions, qint64 pieces, qint64 frontBytes)
{
    m_places.pageOf.assign(regions, 0);
    // Gathered for the first page, they would only be copied on to the next.
    m_tooMany = pieces > PagePieces;
    m_roomOnFirst = PageBytes - m_headBytes - frontBytes - FootBytes;
}

Status PageSet::startPage()
{
    const int number = int(m_places.pages.size()) + 1;
    const QString path = QFileInfo(m_first.target()).dir().filePath(pageName(m_first.target(), number));
    m_later.push_back(std::make_unique<StagedFile>(path, m_files));
    if (const Status created = m_create(*m_later.back()); created.failed())
        return created;
    m_places.pages << pageName(m_first.target(), number);
    Html html(m_later.back().get());
    writePageHead(html, QStringLiteral("%1, page %2").arg(m_title).arg(number));
    html.put("<p class=\"nav\"><a href=\"%#contents\">Contents</a> · <a href=\"%#overview\">Overview</a> · "
             "<a href=\"%\">Previous page</a></p>\n",
             m_places.pages.front(), m_places.pages.front(), m_places.pages[number - 2]);
    writeLegend(html);
    html.flush();
    return Status();
}

void PageSet::endPage(bool more)
{
    Html html(m_later.back().get());
    if (more)
        html.put("<p class=\"nav\"><a href=\"%\">Next page</a></p>\n",
                 pageName(m_first.target(), int(m_places.pages.size()) + 1));
    writePageFoot(html);
}

Status PageSet::add(size_t region, const QByteArray& piece)
{
    const bool firstPiece = qint64(region) != m_lastRegion;
    m_lastRegion = qint64(region);
    ++m_pieces;
    if (!m_spread) {
        if (!m_tooMany && m_firstRegions.size() + piece.size() <= m_roomOnFirst && m_pieces <= PagePieces) {
            m_firstRegions += piece;
            return Status();
        }
        // They do not all fit: the first page keeps the summary alone, and
        // the regions gathered so far begin the second.
        m_spread = true;
        if (const Status started = startPage(); started.failed())
            return started;
        std::fill(m_places.pageOf.begin(), m_places.pageOf.begin() + qsizetype(region) + (firstPiece ? 0 : 1),
                  1);
        m_later.back()->append(m_firstRegions.constData(), m_firstRegions.size());
        m_firstRegions = QByteArray();
    }
    StagedFile& page = *m_later.back();
    const bool crowded = page.size() + piece.size() + FootBytes > PageBytes || m_pieces > PagePieces;
    if (crowded && page.size() > m_headBytes + FootBytes) {
        endPage(true);
        if (const Status started = startPage(); started.failed())
            return started;
        m_pieces = 1;
        if (!firstPiece)
            Html(m_later.back().get())
                .put("<h2 id=\"region-%-continued\">Region %, continued</h2>\n", region + 1, region + 1);
    }
    if (firstPiece)
        m_places.pageOf[region] = qint32(m_places.pages.size() - 1);
    m_later.back()->append(piece.constData(), piece.size());
    return Status();
}

void PageSet::finish(const std::function<Markup(const PagePlaces&)>& front)
{
    if (m_spread)
        endPage(false);
    Html html(&m_first);
    writePageHead(html, m_title);
    html.put("%", front(m_places));
    if (!m_spread)
        html.put("%", Markup{std::exchange(m_firstRegions, QByteArray())});
    writePageFoot(html);
}

}  // namespace quillmark
