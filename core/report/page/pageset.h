#pragma once

// The pages of a report. When the regions surely fit on the first page with
// its summary (the most their pieces may take is within PageBytes, and
// they are at most PagePieces), they follow the summary there; otherwise
// the first page keeps the summary, the overview and the contents, and the
// regions go on to numbered pages beside it (report-2.html, report-3.html,
// ... for report.html), each within the same bounds, a region carried over
// from one page to the next said to continue there. The contents link to
// every region wherever it lies. Nothing is gathered in memory: each piece
// goes to its page as it comes.

#include "html.h"
#include "pagelimits.h"

#include "filesystem.h"
#include "stagedfile.h"

#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

namespace quillmark {

// A link to a page beside the one it is on: its file name, whatever it
// holds (a '#' or a '%', say), as a relative URL.
inline QString linkTo(const QString& pageName)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(pageName));
}

// Where each region lies.
struct PagePlaces
{
    QStringList pages;           // the pages' file names, the first page's first
    std::vector<qint32> pageOf;  // for each region, the page of its first piece

    // A link to region `region` (from 0), from the first page or from another.
    QString href(size_t region, bool fromFirstPage) const
    {
        const QString anchor = QStringLiteral("#region-%1").arg(region + 1);
        const qint32 page = pageOf[region];
        return fromFirstPage && page == 0 ? anchor : linkTo(pages[page]) + anchor;
    }
};

class PageSet
{
public:
    using CreatePage = std::function<Status(Output&)>;
    // The first page's own sections, made for the places of the regions.
    using Front = std::function<Markup(const PagePlaces&)>;

    // `first` is made already; the pages after it are made through `create`.
    // The pages must live as long as the job that commits them.
    PageSet(StagedFile& first, FileSystem& files, CreatePage create, QString title);
    ~PageSet();

    // Before the first piece: there are `regions` regions in `pieces`
    // pieces, which take at most `mostBytes`, and the first page's own
    // sections take at most `frontBytes`. When the regions fit on the first
    // page, it is begun with `front`.
    void begin(size_t regions, qint64 pieces, qint64 mostBytes, qint64 frontBytes, const Front& front);

    // A piece of region `region`'s section, the pieces of each region in
    // order and the regions in order.
    Status add(size_t region, const QByteArray& piece);

    // The pages' ends, and, when the regions went on numbered pages, the
    // first page with `front`. Then places() is final. A write that fails
    // is kept by the page, and the walk reports it.
    void finish(const Front& front);
    const PagePlaces& places() const { return m_places; }

    // The file name of page `number` (from 1) of a report whose first page is `first`.
    static QString pageName(const QString& first, int number);

private:
    Status startPage();
    void endPage(bool more);

    StagedFile& m_first;
    FileSystem& m_files;
    CreatePage m_create;
    QString m_title;
    qint64 m_headBytes;  // of a page's head and legend, about
    PagePlaces m_places;
    bool m_onFirst = false;  // the regions follow the summary
    std::vector<std::unique_ptr<StagedFile>> m_later;
    qint64 m_pieces = 0;  // on the page being written
    qint64 m_lastRegion = -1;
};

}  // namespace quillmark
