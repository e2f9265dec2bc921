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

void PageSet::begin(size_t regions, qint64 pieces, qint64 mostBytes, qint64 frontBytes, const Front& front)
{
    m_places.pageOf.assign(regions, 0);
    m_onFirst = pieces <= PagePieces && m_headBytes + frontBytes + mostBytes + FootBytes <= PageBytes;
    if (!m_onFirst)
        return;
    Html html(&m_first);
    writePageHead(html, m_title);
    html.put("%", front(m_places));
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
             linkTo(m_places.pages.front()), linkTo(m_places.pages.front()),
             linkTo(m_places.pages[number - 2]));
    writeLegend(html);
    html.flush();
    return Status();
}

void PageSet::endPage(bool more)
{
    Html html(m_later.back().get());
    if (more)
        html.put("<p class=\"nav\"><a href=\"%\">Next page</a></p>\n",
                 linkTo(pageName(m_first.target(), int(m_places.pages.size()) + 1)));
    writePageFoot(html);
}

Status PageSet::add(size_t region, const QByteArray& piece)
{
    const bool firstPiece = qint64(region) != m_lastRegion;
    m_lastRegion = qint64(region);
    if (m_onFirst) {
        m_first.append(piece.constData(), piece.size());
        return Status();
    }
    const bool crowded = m_later.empty() || m_pieces == PagePieces
                         || m_later.back()->size() + piece.size() + FootBytes > PageBytes;
    if (crowded) {
        if (!m_later.empty())
            endPage(true);
        if (const Status started = startPage(); started.failed())
            return started;
        m_pieces = 0;
        if (!firstPiece)
            Html(m_later.back().get())
                .put("<h2 id=\"region-%-continued\">Region %, continued</h2>\n", region + 1, region + 1);
    }
    ++m_pieces;
    if (firstPiece)
        m_places.pageOf[region] = qint32(m_places.pages.size() - 1);
    m_later.back()->append(piece.constData(), piece.size());
    return Status();
}

void PageSet::finish(const Front& front)
{
    Html html(&m_first);
    if (!m_onFirst) {
        if (!m_later.empty())
            endPage(false);
        writePageHead(html, m_title);
        html.put("%", front(m_places));
    }
    writePageFoot(html);
}

}  // namespace quillmark
