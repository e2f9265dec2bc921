#pragma once

// The pages of a report. While the regions may all fit on the first page
// with its summary, they are gathered for it; once they cannot, they go on
// to numbered pages beside it (report-2.html, report-3.html, ... for
// report.html), each within PageBytes, a region carried over from one page
// to the next said to continue there, and the first page keeps the summary,
// the overview and the contents, which link to every region wherever it
// lies. The first page is written last, when every region's page is known.

#include "html.h"
#include "pagelimits.h"

#include "filesystem.h"
#include "stagedfile.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace quillmark {

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
        return fromFirstPage && page == 0 ? anchor : pages[page] + anchor;
    }
};

class PageSet
{
public:
    using CreatePage = std::function<Status(Output&)>;

    // `first` is made already; the pages after it are made through `create`.
    // The pages must live as long as the job that commits them.
    PageSet(StagedFile& first, FileSystem& files, CreatePage create, QString title);
    ~PageSet();

    // Before the first piece: there are `regions` regions in `pieces`
    // pieces, and the first page's own sections take at most `frontBytes`.
    void begin(size_t regions, qint64 pieces, qint64 frontBytes);

    // A piece of region `region`'s section, the pieces of each region in
    // order and the regions in order.
    Status add(size_t region, const QByteArray& piece);

    // The first page, with `front` (its own sections, made for the places
    // now known) before the regions it holds. Then places() is final.
    // A write that fails is kept by the page, and the walk reports it.
    void finish(const std::function<Markup(const PagePlaces&)>& front);
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
    qint64 m_roomOnFirst = PageBytes;
    QByteArray m_firstRegions;  // while they all may fit on the first page
    bool m_spread = false;      // the regions go on numbered pages
    bool m_tooMany = false;     // so many pieces that they cannot all lie on the first page
    std::vector<std::unique_ptr<StagedFile>> m_later;
    qint64 m_pieces = 0;  // on the page being written
    qint64 m_lastRegion = -1;
};

}  // namespace quillmark
