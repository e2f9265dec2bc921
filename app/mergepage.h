#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

class QLabel;

namespace quillmark {
class JobOutcome;
class JobProgress;
struct BaseVerdict;
struct CommitOptions;
struct MergeChoices;
struct MergeFigures;
}  // namespace quillmark

// The window's "Merge" page, after "Generate" and "Combine" and in their
// style: a page for each job (a map or a statics pair merged with its base,
// map or statics difference files rebased onto a new base), each a column
// of path fields with their "..." pickers; the choice for conflicts and the
// conflicts file; and one button, which runs the job of the page shown.
// The window runs it: its status bar shows the progress, then "Ready" with
// what the merge did beside it, or the job's message with its reason.
class MergePage : public QWidget
{
    Q_OBJECT

public:
    using Job =
        std::function<quillmark::JobOutcome(quillmark::JobProgress&, const quillmark::CommitOptions&)>;
    // Runs `job`; after a success the window shows "Ready" and, beside it,
    // what `detail()` says. True when it succeeded.
    using RunJob = std::function<bool(const Job& job, const std::function<QString()>& detail)>;

    // The output directory and the facet are the window's.
    MergePage(QLineEdit* outDir, QComboBox* facet, RunJob run, QWidget* parent);

    // Every text, in the window's translation context.
    void languageChange();

    // The path field `name` ("lineMergeBase", ...), for the window's tests.
    QLineEdit* field(const char* name) const;

    QTabWidget* tabWidgetMerge;
    QComboBox* comboConflicts;  // stop, prefer mine, prefer theirs
    QLineEdit* lineConflicts;
    QPushButton* pushConflicts;
    QPushButton* pushMerge;

public slots:
    void merge();

private:
    struct Row;
    static const std::array<std::vector<Row>, 4>& pageRows();
    QWidget* addPage(const std::vector<Row>& rows);
    void showButtonText();
    void pick(QLineEdit* field, const QString& caption);
    void pickConflictsFile();
    QString path(const char* name) const;
    // The job of page `page`, which leaves what it did in `figures` and
    // `base`.
    Job jobFor(int page, const quillmark::MergeChoices& choices, quillmark::MergeFigures& figures,
               quillmark::BaseVerdict& base) const;

    QLineEdit* m_outDir;
    QComboBox* m_facet;
    RunJob m_run;
    QLabel* m_fileLabel;
    QLabel* m_choiceLabel;
};
