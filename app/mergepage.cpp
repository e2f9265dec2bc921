#include "mergepage.h"

#include "gamedir.h"
#include "mainwindow.h"

#include "mergejobs.h"
#include "mergetexts.h"
#include "patchcheck.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <array>

using namespace quillmark;

namespace {

const char FileFilter[] = "Mul (*.mul);;All files(*.*)";

QString translated(const char* text)
{
    return QCoreApplication::translate("mainwindow", text);
}

// The pages in the order of their tabs, and the button's text on each.
enum Page { MergeMap, MergeStatics, RebaseMap, RebaseStatics };
const char* const PageTitles[] = {"Map", "Statics", "Rebase Map", "Rebase Statics"};

}  // namespace

// A row of a page: its label, its path field and the caption of its picker.
struct MergePage::Row
{
    const char* label;
    const char* name;
    const char* caption;
};

// The rows of each page, in the order of the tabs.
const std::array<std::vector<MergePage::Row>, 4>& MergePage::pageRows()
{
    static const std::array<std::vector<Row>, 4> pages{
        {{{"Base", "MergeBase", "Base Map File"},
          {"Mine", "MergeMine", "My Map File"},
          {"Theirs", "MergeTheirs", "Their Map File"}},
         {{"Base Index", "MergeBaseIdx", "Base Static Index File"},
          {"Base Data", "MergeBaseData", "Base Static Data File"},
          {"Mine Index", "MergeMineIdx", "My Static Index File"},
          {"Mine Data", "MergeMineData", "My Static Data File"},
          {"Theirs Index", "MergeTheirsIdx", "Their Static Index File"},
          {"Theirs Data", "MergeTheirsData", "Their Static Data File"}},
         {{"Reference", "RebaseRef", "Reference Map File"},
          {"Difl", "RebaseDifl", "Dif Locator File"},
          {"Dif", "RebaseDif", "Dif Data File"},
          {"New Base", "RebaseOnto", "New Base Map File"}},
         {{"Reference Index", "RebaseRefIdx", "Reference Index File"},
          {"Reference Data", "RebaseRefData", "Reference Data File"},
          {"Difl", "RebaseSDifl", "Dif Locator File"},
          {"Difi", "RebaseSDifi", "Dif Index File"},
          {"Dif", "RebaseSDif", "Dif Data File"},
          {"New Base Index", "RebaseOntoIdx", "New Base Index File"},
          {"New Base Data", "RebaseOntoData", "New Base Data File"}}}};
    return pages;
}

MergePage::MergePage(QLineEdit* outDir, QComboBox* facet, RunJob run, QWidget* parent)
    : QWidget(parent), m_outDir(outDir), m_facet(facet), m_run(std::move(run))
{
    setObjectName(QStringLiteral("tab_7"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(11, 11, 11, 11);
    column->setSpacing(6);
    tabWidgetMerge = new QTabWidget(this);
    tabWidgetMerge->setObjectName(QStringLiteral("tabWidgetMerge"));
    for (const std::vector<Row>& rows : pageRows())
        tabWidgetMerge->addTab(addPage(rows), QString());
    column->addWidget(tabWidgetMerge);

    auto* file = new QHBoxLayout;
    m_fileLabel = new QLabel(this);
    file->addWidget(m_fileLabel);
    lineConflicts = new QLineEdit(this);
    lineConflicts->setObjectName(QStringLiteral("lineConflicts"));
    file->addWidget(lineConflicts);
    pushConflicts = new QPushButton(this);
    pushConflicts->setObjectName(QStringLiteral("pushConflicts"));
    pushConflicts->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    file->addWidget(pushConflicts);
    column->addLayout(file);

    auto* action = new QHBoxLayout;
    m_choiceLabel = new QLabel(this);
    action->addWidget(m_choiceLabel);
    comboConflicts = new QComboBox(this);
    comboConflicts->setObjectName(QStringLiteral("comboConflicts"));
    action->addWidget(comboConflicts);
    action->addStretch();
    pushMerge = new QPushButton(this);
    pushMerge->setObjectName(QStringLiteral("pushMerge"));
    action->addWidget(pushMerge);
    column->addLayout(action);

    connect(pushConflicts, &QPushButton::clicked, this, &MergePage::pickConflictsFile);
    connect(pushMerge, &QPushButton::clicked, this, &MergePage::merge);
    connect(tabWidgetMerge, &QTabWidget::currentChanged, this, [this] { showButtonText(); });
    languageChange();
}

QWidget* MergePage::addPage(const std::vector<Row>& rows)
{
    auto* page = new QWidget(tabWidgetMerge);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(11, 11, 11, 11);
    grid->setSpacing(6);
    for (const Row& row : rows) {
        const int at = grid->rowCount();
        auto* label = new QLabel(page);
        label->setProperty("source", QByteArray(row.label));
        auto* field = new QLineEdit(page);
        field->setObjectName(QLatin1String("line") + QLatin1String(row.name));
        auto* picker = new QPushButton(page);
        picker->setObjectName(QLatin1String("push") + QLatin1String(row.name));
        picker->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        grid->addWidget(label, at, 0);
        grid->addWidget(field, at, 1);
        grid->addWidget(picker, at, 2);
        const QString caption = QLatin1String(row.caption);
        connect(picker, &QPushButton::clicked, this, [this, field, caption] { pick(field, caption); });
    }
    grid->setRowStretch(grid->rowCount(), 1);
    return page;
}

void MergePage::languageChange()
{
    for (QLabel* label : findChildren<QLabel*>()) {
        const QByteArray source = label->property("source").toByteArray();
        if (!source.isEmpty())
            label->setText(translated(source.constData()));
    }
    for (int page = MergeMap; page <= RebaseStatics; ++page)
        tabWidgetMerge->setTabText(page, translated(PageTitles[page]));
    m_fileLabel->setText(translated("Conflicts File"));
    m_choiceLabel->setText(translated("Conflicts"));
    for (QPushButton* picker : findChildren<QPushButton*>()) {
        if (picker != pushMerge)
            picker->setText(translated("..."));
    }
    const int chosen = qMax(0, comboConflicts->currentIndex());
    comboConflicts->clear();
    comboConflicts->addItems({translated("Stop"), translated("Prefer mine"), translated("Prefer theirs")});
    comboConflicts->setCurrentIndex(chosen);
    showButtonText();
}

void MergePage::showButtonText()
{
    pushMerge->setText(translated(tabWidgetMerge->currentIndex() >= RebaseMap ? "Rebase" : "Merge"));
}

QLineEdit* MergePage::field(const char* name) const
{
    return findChild<QLineEdit*>(QLatin1String(name));
}

QString MergePage::path(const char* name) const
{
    return mainwindow::pathIn(field(name));
}

void MergePage::pick(QLineEdit* field, const QString& caption)
{
    const QString path = QFileDialog::getOpenFileName(this, caption, gameDir(), QLatin1String(FileFilter));
    if (!path.isEmpty())
        field->setText(path);
}

void MergePage::pickConflictsFile()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Conflicts File"), QString(),
                                                      QStringLiteral("JSON (*.json);;All files(*.*)"));
    if (!path.isEmpty())
        lineConflicts->setText(path);
}

MergePage::Job MergePage::jobFor(int page, const MergeChoices& choices, MergeFigures& figures,
                                 BaseVerdict& base) const
{
    const QString out = mainwindow::pathIn(m_outDir);
    const int facet = m_facet->currentIndex();
    const auto kept = [&figures, &base](const MergeOutcome& merged) {
        figures = merged.figures;
        base = merged.outcome.result().base;
        return merged.outcome;
    };
    if (page == MergeMap)
        return [kept, job = MapMergeJob{BaseSide<MapFiles>{{path("lineMergeBase")}},
                                        OursSide<MapFiles>{{path("lineMergeMine")}},
                                        TheirsSide<MapFiles>{{path("lineMergeTheirs")}}, out, facet,
                                        choices}](JobProgress& progress, const CommitOptions& options) {
            return kept(mergeMaps(job, progress, options));
        };
    if (page == MergeStatics)
        return [kept, job = StaticsMergeJob{
                          BaseSide<StaticsFiles>{{path("lineMergeBaseIdx"), path("lineMergeBaseData")}},
                          OursSide<StaticsFiles>{{path("lineMergeMineIdx"), path("lineMergeMineData")}},
                          TheirsSide<StaticsFiles>{{path("lineMergeTheirsIdx"), path("lineMergeTheirsData")}},
                          out, facet, choices}](JobProgress& progress, const CommitOptions& options) {
            return kept(mergeStatics(job, progress, options));
        };
    if (page == RebaseMap)
        return [kept, job = MapRebaseJob{ReferenceSide<MapFiles>{{path("lineRebaseRef")}},
                                         {path("lineRebaseDifl"), path("lineRebaseDif")},
                                         OntoSide<MapFiles>{{path("lineRebaseOnto")}},
                                         out,
                                         facet,
                                         choices}](JobProgress& progress, const CommitOptions& options) {
            return kept(rebaseMapPatch(job, progress, options));
        };
    return [kept, job = StaticsRebaseJob{
                      ReferenceSide<StaticsFiles>{{path("lineRebaseRefIdx"), path("lineRebaseRefData")}},
                      {path("lineRebaseSDifl"), path("lineRebaseSDifi"), path("lineRebaseSDif")},
                      OntoSide<StaticsFiles>{{path("lineRebaseOntoIdx"), path("lineRebaseOntoData")}},
                      out,
                      facet,
                      choices}](JobProgress& progress, const CommitOptions& options) {
        return kept(rebaseStaticsPatch(job, progress, options));
    };
}

// The job of the page shown, with the conflicts chosen.
void MergePage::merge()
{
    const int page = tabWidgetMerge->currentIndex();
    const Prefer prefers[] = {Prefer::None, Prefer::Ours, Prefer::Theirs};
    const MergeChoices choices{prefers[qMax(0, comboConflicts->currentIndex())], 0,
                               mainwindow::pathIn(lineConflicts)};
    MergeFigures figures;
    BaseVerdict base;
    // Beside "Ready": what the merge did, and for a rebase what was found of
    // the reference.
    m_run(jobFor(page, choices, figures, base), [&] {
        const QString did = changesText(figures) + QLatin1String("; ") + conflictsText(figures);
        return page >= RebaseMap ? did + QLatin1String("; ") + baseCaseText(base) : did;
    });
}
