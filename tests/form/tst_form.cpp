// The main window's form: its object tree, layouts, spacers, size policies,
// texts, initial state, actions, menus and connections, checked against the
// designed tables below; its size rule; and screenshots for a person to see.

#include "app/icons/embeddedimage.h"
#include "app/mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

using Translation = std::function<QString(const QString&)>;
Q_DECLARE_METATYPE(Translation)

namespace {

// The main window with its slots replaced by a call log, so that a test can
// press every button and trigger every action without opening a dialog or
// running a job, and with its layout members reachable by name.
class FormWindow : public mainwindow
{
public:
    QStringList calls;

#define RECORDED(slot) \
    void slot() override { calls << #slot; }
    RECORDED(fileExit) RECORDED(helpAbout) RECORDED(findRefIdx) RECORDED(findRefData) RECORDED(findDif)
    RECORDED(findDifl) RECORDED(findDifi) RECORDED(findOutputDir) RECORDED(findStaMul) RECORDED(findCStaMul)
    RECORDED(findStaIdx) RECORDED(findCStaIdx) RECORDED(findMapMul) RECORDED(findCMapMul) RECORDED(diffGenerate)
    RECORDED(diffCombine)
#undef RECORDED
    // The page switches keep their effect, so that screenshots show the
    // enabled rows of each page.
    void tabChange(QWidget* page) override
    {
        calls << "tabChange " + (page ? page->objectName() : "null");
        mainwindow::tabChange(page);
    }
    void tabCChange(QWidget* page) override
    {
        calls << "tabCChange " + (page ? page->objectName() : "null");
        mainwindow::tabCChange(page);
    }

    using mainwindow::languageChange;

#define M(member) {QStringLiteral(#member), member}
    // Every widget, action and menu member, by member name.
    QHash<QString, QObject*> objects() const
    {
        return {M(groupBox3), M(textLabel3_3), M(lineOutDir), M(pushOutDir), M(textLabel4), M(comboBox1),
                M(tabWidget3), M(tab), M(groupBox2), M(pushRefIdx), M(lineRefIdx), M(lineRefData),
                M(textLabel3_2), M(pushRefData), M(textLabel3), M(tabWidget2), M(tab_2), M(textLabel3_2_3),
                M(lineMapMul), M(pushMapData), M(tab_3), M(pushStaIdx), M(lineStaIdx), M(lineStaMul),
                M(textLabel3_2_2), M(pushStaData), M(textLabel3_4), M(pushGenerate), M(tab_4), M(groupBox2_2),
                M(textLabel3_2_4), M(pushDif), M(pushDifl), M(lineDif), M(pushDifi), M(lineDifl), M(lineDifi),
                M(textLabel3_2_4_2), M(textLabel3_5), M(tabWidget4), M(tab_5), M(textLabel3_2_4_3), M(lineCMap),
                M(pushCMap), M(tab_6), M(textLabel3_2_4_3_2), M(lineCStaIdx), M(pushCStaIdx),
                M(textLabel3_2_4_3_3), M(lineCStaData), M(pushCStaData), M(pushCombine), M(MenuBar),
                M(fileMenu), M(helpMenu), M(fileNewAction), M(fileOpenAction), M(fileSaveAction),
                M(fileSaveAsAction), M(filePrintAction), M(fileExitAction), M(helpContentsAction),
                M(helpIndexAction), M(helpAboutAction)};
    }

    // Every layout and spacer member, by member name.
    QHash<QString, QLayoutItem*> layoutItems() const
    {
        return {M(mainwindowLayout), M(layout25), M(groupBox3Layout), M(layout13), M(layout2), M(layout12),
                M(facetSpacer), M(tabLayout), M(layout15), M(groupBox2Layout), M(layout1), M(tabLayout_2),
                M(layout8), M(mapTopSpacer), M(layout6), M(mapBottomSpacer), M(tabLayout_3), M(layout1_2),
                M(layout3), M(generateSpacer), M(tabLayout_4), M(layout24), M(groupBox2_2Layout), M(layout26),
                M(tabLayout_5), M(layout18), M(tabLayout_6), M(layout21), M(layout18_2), M(layout18_3),
                M(layout3_2), M(combineSpacer)};
    }
#undef M
};

// One widget of the form. Pages: row -1, column = page index, text = tab
// title. Widgets in a grid: their cell. Others: row and column -1.
struct WidgetRow
{
    const char* name;
    const char* cls;
    const char* parent;
    int row;
    int column;
    const char* text;
    const char* reaches;  // what pressing it calls; for tab widgets, turning to page 1 and back
};

// In creation order.
const WidgetRow widgetTable[] = {
    {"groupBox3", "QGroupBox", "qt_central_widget", -1, -1, "Output Directory", nullptr},
    {"textLabel3_3", "QLabel", "groupBox3", 0, 0, "Directory", nullptr},
    {"lineOutDir", "QLineEdit", "groupBox3", 0, 1, "", nullptr},
    {"pushOutDir", "QPushButton", "groupBox3", 0, 2, "...", "findOutputDir"},
    {"textLabel4", "QLabel", "groupBox3", -1, -1, "Facet", nullptr},
    {"comboBox1", "QComboBox", "groupBox3", -1, -1, "Felucca|Trammel|Ilshenar|Malas", nullptr},
    {"tabWidget3", "QTabWidget", "qt_central_widget", -1, -1, "", nullptr},
    {"tab", "QWidget", "tabWidget3", -1, 0, "Generate", nullptr},
    {"groupBox2", "QGroupBox", "tab", -1, -1, "Reference Data", nullptr},
    {"pushRefIdx", "QPushButton", "groupBox2", 0, 2, "...", "findRefIdx"},
    {"lineRefIdx", "QLineEdit", "groupBox2", 0, 1, "", nullptr},
    {"lineRefData", "QLineEdit", "groupBox2", 1, 1, "", nullptr},
    {"textLabel3_2", "QLabel", "groupBox2", 1, 0, "Data", nullptr},
    {"pushRefData", "QPushButton", "groupBox2", 1, 2, "...", "findRefData"},
    {"textLabel3", "QLabel", "groupBox2", 0, 0, "Index", nullptr},
    {"tabWidget2", "QTabWidget", "tab", -1, -1, "", "tabChange tab_3|tabChange tab_2"},
    {"tab_2", "QWidget", "tabWidget2", -1, 0, "Map", nullptr},
    {"textLabel3_2_3", "QLabel", "tab_2", -1, -1, "Data", nullptr},
    {"lineMapMul", "QLineEdit", "tab_2", -1, -1, "", nullptr},
    {"pushMapData", "QPushButton", "tab_2", -1, -1, "...", "findMapMul"},
    {"tab_3", "QWidget", "tabWidget2", -1, 1, "Statics", nullptr},
    {"pushStaIdx", "QPushButton", "tab_3", 0, 2, "...", "findStaIdx"},
    {"lineStaIdx", "QLineEdit", "tab_3", 0, 1, "", nullptr},
    {"lineStaMul", "QLineEdit", "tab_3", 1, 1, "", nullptr},
    {"textLabel3_2_2", "QLabel", "tab_3", 1, 0, "Data", nullptr},
    {"pushStaData", "QPushButton", "tab_3", 1, 2, "...", "findStaMul"},
    {"textLabel3_4", "QLabel", "tab_3", 0, 0, "Index", nullptr},
    {"pushGenerate", "QPushButton", "tab", -1, -1, "Generate", "diffGenerate"},
    {"tab_4", "QWidget", "tabWidget3", -1, 1, "Combine", nullptr},
    {"groupBox2_2", "QGroupBox", "tab_4", -1, -1, "Dif Files", nullptr},
    {"textLabel3_2_4", "QLabel", "groupBox2_2", 1, 0, "Dif", nullptr},
    {"pushDif", "QPushButton", "groupBox2_2", 1, 2, "...", "findDif"},
    {"pushDifl", "QPushButton", "groupBox2_2", 0, 2, "...", "findDifl"},
    {"lineDif", "QLineEdit", "groupBox2_2", 1, 1, "", nullptr},
    {"pushDifi", "QPushButton", "groupBox2_2", 2, 2, "...", "findDifi"},
    {"lineDifl", "QLineEdit", "groupBox2_2", 0, 1, "", nullptr},
    {"lineDifi", "QLineEdit", "groupBox2_2", 2, 1, "", nullptr},
    {"textLabel3_2_4_2", "QLabel", "groupBox2_2", 2, 0, "Difi", nullptr},
    {"textLabel3_5", "QLabel", "groupBox2_2", 0, 0, "Difl", nullptr},
    {"tabWidget4", "QTabWidget", "tab_4", -1, -1, "", "tabCChange tab_6|tabCChange tab_5"},
    {"tab_5", "QWidget", "tabWidget4", -1, 0, "Map", nullptr},
    {"textLabel3_2_4_3", "QLabel", "tab_5", -1, -1, "Map File", nullptr},
    {"lineCMap", "QLineEdit", "tab_5", -1, -1, "", nullptr},
    {"pushCMap", "QPushButton", "tab_5", -1, -1, "...", "findCMapMul"},
    {"tab_6", "QWidget", "tabWidget4", -1, 1, "Statics", nullptr},
    {"textLabel3_2_4_3_2", "QLabel", "tab_6", -1, -1, "Index", nullptr},
    {"lineCStaIdx", "QLineEdit", "tab_6", -1, -1, "", nullptr},
    {"pushCStaIdx", "QPushButton", "tab_6", -1, -1, "...", "findCStaIdx"},
    {"textLabel3_2_4_3_3", "QLabel", "tab_6", -1, -1, "Data", nullptr},
    {"lineCStaData", "QLineEdit", "tab_6", -1, -1, "", nullptr},
    {"pushCStaData", "QPushButton", "tab_6", -1, -1, "...", "findCStaMul"},
    {"pushCombine", "QPushButton", "tab_4", -1, -1, "Combine", "diffCombine"},
};

// Set on a widget ("set on" names a widget), added to a parent layout, or the
// unnamed row inside a group box's column layout ("host" names the group box).
struct LayoutRow
{
    const char* name;
    const char* kind;
    const char* host;
    int margin;
    const char* items;
};

const LayoutRow layoutTable[] = {
    {"mainwindowLayout", "QHBoxLayout", "qt_central_widget", 11, "layout25"},
    {"layout25", "QVBoxLayout", "mainwindowLayout", 0, "groupBox3 tabWidget3"},
    {"groupBox3Layout", "QHBoxLayout", "groupBox3", 0, "layout13"},
    {"layout13", "QVBoxLayout", "groupBox3Layout", 0, "layout2 layout12"},
    {"layout2", "QGridLayout", "layout13", 0, "textLabel3_3 lineOutDir pushOutDir"},
    {"layout12", "QHBoxLayout", "layout13", 0, "textLabel4 comboBox1 facetSpacer"},
    {"tabLayout", "QHBoxLayout", "tab", 11, "layout15"},
    {"layout15", "QVBoxLayout", "tabLayout", 0, "groupBox2 tabWidget2 layout3"},
    {"groupBox2Layout", "QHBoxLayout", "groupBox2", 0, "layout1"},
    {"layout1", "QGridLayout", "groupBox2Layout", 0,
     "pushRefIdx lineRefIdx lineRefData textLabel3_2 pushRefData textLabel3"},
    {"tabLayout_2", "QHBoxLayout", "tab_2", 11, "layout8"},
    {"layout8", "QVBoxLayout", "tabLayout_2", 0, "mapTopSpacer layout6 mapBottomSpacer"},
    {"layout6", "QHBoxLayout", "layout8", 0, "textLabel3_2_3 lineMapMul pushMapData"},
    {"tabLayout_3", "QHBoxLayout", "tab_3", 11, "layout1_2"},
    {"layout1_2", "QGridLayout", "tabLayout_3", 0,
     "pushStaIdx lineStaIdx lineStaMul textLabel3_2_2 pushStaData textLabel3_4"},
    {"layout3", "QHBoxLayout", "layout15", 0, "generateSpacer pushGenerate"},
    {"tabLayout_4", "QHBoxLayout", "tab_4", 11, "layout24"},
    {"layout24", "QVBoxLayout", "tabLayout_4", 0, "groupBox2_2 tabWidget4 layout3_2"},
    {"groupBox2_2Layout", "QHBoxLayout", "groupBox2_2", 0, "layout26"},
    {"layout26", "QGridLayout", "groupBox2_2Layout", 0,
     "textLabel3_2_4 pushDif pushDifl lineDif pushDifi lineDifl lineDifi textLabel3_2_4_2 textLabel3_5"},
    {"tabLayout_5", "QHBoxLayout", "tab_5", 11, "layout18"},
    {"layout18", "QHBoxLayout", "tabLayout_5", 0, "textLabel3_2_4_3 lineCMap pushCMap"},
    {"tabLayout_6", "QHBoxLayout", "tab_6", 11, "layout21"},
    {"layout21", "QVBoxLayout", "tabLayout_6", 0, "layout18_2 layout18_3"},
    {"layout18_2", "QHBoxLayout", "layout21", 0, "textLabel3_2_4_3_2 lineCStaIdx pushCStaIdx"},
    {"layout18_3", "QHBoxLayout", "layout21", 0, "textLabel3_2_4_3_3 lineCStaData pushCStaData"},
    {"layout3_2", "QHBoxLayout", "layout24", 0, "combineSpacer pushCombine"},
};

struct ActionRow
{
    const char* name;
    const char* text;
    const char* menuText;
    const char* accel;
    const char* icon;
    const char* menu;
    const char* slot;
};

const ActionRow actionTable[] = {
    {"fileNewAction", "New", "&New", "Ctrl+N", "filenew", nullptr, nullptr},
    {"fileOpenAction", "Open", "&Open...", "Ctrl+O", "fileopen", nullptr, nullptr},
    {"fileSaveAction", "Generate", "&Save", "Ctrl+S", "filesave", nullptr, nullptr},
    {"fileSaveAsAction", "Save As", "Save &As...", nullptr, nullptr, nullptr, nullptr},
    {"filePrintAction", "Print", "&Print...", "Ctrl+P", "print", nullptr, nullptr},
    {"fileExitAction", "Exit", "E&xit", nullptr, nullptr, "fileMenu", "fileExit"},
    {"helpContentsAction", "Contents", "&Contents...", nullptr, nullptr, nullptr, nullptr},
    {"helpIndexAction", "Index", "&Index...", nullptr, nullptr, nullptr, nullptr},
    {"helpAboutAction", "About", "&About", nullptr, nullptr, "helpMenu", "helpAbout"},
};

struct SpacerRow
{
    const char* name;
    QSize size;
    QSizePolicy::Policy horizontal;
    QSizePolicy::Policy vertical;
};

const SpacerRow spacerTable[] = {
    {"facetSpacer", {40, 20}, QSizePolicy::Expanding, QSizePolicy::Minimum},
    {"mapTopSpacer", {20, 40}, QSizePolicy::Minimum, QSizePolicy::Expanding},
    {"mapBottomSpacer", {20, 50}, QSizePolicy::Minimum, QSizePolicy::Expanding},
    {"generateSpacer", {40, 20}, QSizePolicy::Expanding, QSizePolicy::Minimum},
    {"combineSpacer", {40, 20}, QSizePolicy::Expanding, QSizePolicy::Minimum},
};

const QStringList disabledAtStart = {"pushRefIdx", "lineRefIdx", "pushDifi", "lineDifi"};


QString untranslated(const QString& text)
{
    return text;
}

// A translation that differs from its source, accelerators included.
QString marked(const QString& source)
{
    return source.startsWith("Ctrl+") ? "Alt+" + source.mid(5) : "[" + source + "]";
}

// Translates the window's texts while it lives, so a test sees which texts
// pass through the window's tr; a null result leaves the source text.
class ScopedTranslator : public QTranslator
{
public:
    explicit ScopedTranslator(Translation translation) : m_translation(std::move(translation))
    {
        QCoreApplication::installTranslator(this);
    }
    ~ScopedTranslator() override { QCoreApplication::removeTranslator(this); }
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* comment, int) const override
    {
        if (qstrcmp(context, "mainwindow") != 0)
            return QString();
        return comment && *comment ? QStringLiteral("comment given") : m_translation(QString::fromUtf8(source));
    }

private:
    Translation m_translation;
};

bool isBrowseButton(const WidgetRow& row)
{
    return QString(row.text) == "...";
}

template <typename Row, size_t N>
void addRows(const Row (&table)[N])
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < N; ++i)
        QTest::newRow(table[i].name) << int(i);
}

// A label's or button's text, a group's title, a line edit's text, the
// facet items, or a page's tab title.
QString textOf(FormWindow& window, const WidgetRow& row)
{
    QObject* object = window.objects().value(row.name);
    if (auto* tabs = window.findChild<QTabWidget*>(row.parent))
        return tabs->tabText(tabs->indexOf(qobject_cast<QWidget*>(object)));
    if (auto* label = qobject_cast<QLabel*>(object))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(object))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(object))
        return group->title();
    if (auto* line = qobject_cast<QLineEdit*>(object))
        return line->text();
    if (auto* combo = qobject_cast<QComboBox*>(object)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items.join('|');
    }
    return QString();
}

// Every text the window shows, as "object=text" lines.
QStringList shownTexts(FormWindow& window)
{
    QStringList texts{"caption=" + window.windowTitle()};
    for (const WidgetRow& row : widgetTable)
        texts << QString(row.name) + "=" + textOf(window, row);
    for (const ActionRow& row : actionTable) {
        auto* action = qobject_cast<QAction*>(window.objects().value(row.name));
        texts << QString(row.name) + "=" + action->iconText() + "|" + action->text() + "|"
                     + action->shortcut().toString();
    }
    for (QAction* item : window.MenuBar->actions())
        texts << "menu " + item->data().toString() + "=" + item->text();
    return texts;
}

// The designed texts, each passed through `translate`.
QStringList designedTexts(const Translation& translate)
{
    QStringList texts{"caption=" + translate("Quillmark")};
    for (const WidgetRow& row : widgetTable) {
        QStringList parts = QString(row.text).split('|');
        for (QString& part : parts)
            part = part.isEmpty() ? part : translate(part);
        texts << QString(row.name) + "=" + parts.join('|');
    }
    for (const ActionRow& row : actionTable) {
        const QString accel = row.accel ? QKeySequence(translate(row.accel)).toString() : QString();
        texts << QString(row.name) + "=" + translate(row.text) + "|" + translate(row.menuText) + "|" + accel;
    }
    return texts << "menu 1=" + translate("&File") << "menu 2=" + translate("&Help");
}

// What a layout holds, in order: widgets by object name, layouts and spacers
// by member name.
QStringList itemNames(QLayout* layout, const QHash<QString, QLayoutItem*>& members)
{
    QStringList names;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        names << (item->widget() ? item->widget()->objectName() : members.key(item, "?"));
    }
    return names;
}

std::unique_ptr<QWidget> freshWidget(const QString& cls)
{
    if (cls == "QLabel")
        return std::make_unique<QLabel>();
    if (cls == "QLineEdit")
        return std::make_unique<QLineEdit>();
    if (cls == "QPushButton")
        return std::make_unique<QPushButton>();
    if (cls == "QComboBox")
        return std::make_unique<QComboBox>();
    if (cls == "QTabWidget")
        return std::make_unique<QTabWidget>();
    if (cls == "QGroupBox")
        return std::make_unique<QGroupBox>();
    return std::make_unique<QWidget>();
}

// Presses, triggers, turns or fills an object the way a user would.
void poke(QObject* object)
{
    if (auto* button = qobject_cast<QPushButton*>(object)) {
        button->setEnabled(true);
        button->click();
    } else if (auto* action = qobject_cast<QAction*>(object)) {
        action->trigger();
    } else if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
        tabs->setCurrentIndex(1);
        tabs->setCurrentIndex(0);
    } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
        combo->setCurrentIndex(2);
    } else if (auto* line = qobject_cast<QLineEdit*>(object)) {
        line->setEnabled(true);
        line->setText("x");
        emit line->returnPressed();
    }
}

// Shows each of the four page pairs in turn, laid out.
void forEachPage(FormWindow& window, const std::function<void(const QString&)>& visit)
{
    const char* names[2][2] = {{"generate-map", "generate-statics"}, {"combine-map", "combine-statics"}};
    for (int outer = 0; outer < 2; ++outer) {
        for (int inner = 0; inner < 2; ++inner) {
            window.tabWidget3->setCurrentIndex(outer);
            (outer ? window.tabWidget4 : window.tabWidget2)->setCurrentIndex(inner);
            QCoreApplication::processEvents();
            visit(names[outer][inner]);
        }
    }
}

} // namespace

class FormTest : public QObject
{
    Q_OBJECT

private slots:
    void widgets_data() { addRows(widgetTable); }

    // Name, class, parent, cell and size policy of each widget.
    void widgets()
    {
        QFETCH(int, index);
        const WidgetRow& row = widgetTable[index];
        FormWindow window;
        auto* widget = qobject_cast<QWidget*>(window.objects().value(row.name));
        QVERIFY(widget);
        QCOMPARE(widget->objectName(), QString(row.name));
        QCOMPARE(widget->metaObject()->className(), row.cls);

        auto* parent = window.findChild<QWidget*>(row.parent);
        if (auto* tabs = qobject_cast<QTabWidget*>(parent))
            QCOMPARE(tabs->indexOf(widget), row.column);
        else
            QCOMPARE(widget->parentWidget(), parent);

        if (row.row >= 0) {
            QGridLayout* grid = nullptr;
            for (auto* layout : window.findChildren<QGridLayout*>())
                grid = layout->indexOf(widget) >= 0 ? layout : grid;
            QVERIFY(grid);
            int r = -1, c = -1, rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(grid->indexOf(widget), &r, &c, &rowSpan, &columnSpan);
            QCOMPARE(QList<int>({r, c, rowSpan, columnSpan}), QList<int>({row.row, row.column, 1, 1}));
            QCOMPARE(grid->itemAt(grid->indexOf(widget))->alignment(), Qt::Alignment());
        }

        // Only the browse buttons have a size policy of their own.
        const auto fresh = freshWidget(row.cls);
        QSizePolicy expected = fresh->sizePolicy();
        if (isBrowseButton(row)) {
            expected = QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            expected.setHeightForWidth(fresh->sizePolicy().hasHeightForWidth());
        }
        QCOMPARE(widget->sizePolicy(), expected);
        QCOMPARE(widget->minimumSize(), fresh->minimumSize());
        QCOMPARE(widget->maximumSize(), fresh->maximumSize());
    }

    // Widgets of one parent appear among its children in creation order,
    // which is also the keyboard focus order (the order of pages is their tab
    // widget's, checked above).
    void widgetsAreCreatedInTableOrder()
    {
        FormWindow window;
        QHash<QString, QStringList> designed;
        for (const WidgetRow& row : widgetTable)
            designed[row.parent] << row.name;
        for (auto it = designed.cbegin(); it != designed.cend(); ++it) {
            auto* parent = window.findChild<QWidget*>(it.key());
            if (qobject_cast<QTabWidget*>(parent))
                continue;
            QStringList created;
            for (QObject* child : parent->children())
                created << (it.value().contains(child->objectName()) ? child->objectName() : QString());
            created.removeAll(QString());
            QCOMPARE(created, it.value());
        }
    }

    void layouts_data() { addRows(layoutTable); }

    // Kind, place, name, margin, spacing and items of each layout.
    void layouts()
    {
        QFETCH(int, index);
        const LayoutRow& row = layoutTable[index];
        FormWindow window;
        const auto members = window.layoutItems();
        QLayoutItem* member = members.value(row.name);
        QLayout* layout = member ? member->layout() : nullptr;
        QVERIFY(layout);
        QCOMPARE(layout->metaObject()->className(), row.kind);

        const bool groupRow = QString(row.name).startsWith("groupBox");
        QCOMPARE(layout->objectName(), groupRow ? QString() : QString(row.name));
        if (groupRow) {
            // The group's column layout holds the row alone, aligned to the
            // top; the row inherits the column's spacing.
            auto* column = qobject_cast<QVBoxLayout*>(window.findChild<QGroupBox*>(row.host)->layout());
            QVERIFY(column);
            QCOMPARE(column->contentsMargins(), QMargins(11, 11, 11, 11));
            QCOMPARE(column->spacing(), 6);
            QCOMPARE(itemNames(column, members), QStringList{row.name});
            QCOMPARE(layout->alignment(), Qt::AlignTop);
        } else if (QLayoutItem* host = members.value(row.host)) {
            QCOMPARE(layout->parent(), static_cast<QObject*>(host->layout()));
        } else {
            QCOMPARE(window.findChild<QWidget*>(row.host)->layout(), layout);
        }
        QCOMPARE(layout->contentsMargins(), QMargins(row.margin, row.margin, row.margin, row.margin));
        QCOMPARE(layout->spacing(), 6);
        const QStringList items = QString(row.items).split(' ');
        QCOMPARE(itemNames(layout, members), items);

        if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
            for (int i = 0; i < box->count(); ++i)
                QCOMPARE(box->stretch(i), 0);
        } else if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            int rows = 0;
            for (const WidgetRow& widget : widgetTable)
                rows = items.contains(widget.name) ? qMax(rows, widget.row + 1) : rows;
            QCOMPARE(grid->rowCount(), rows);
            QCOMPARE(grid->columnCount(), 3);
        }
    }

    void spacers()
    {
        FormWindow window;
        for (const SpacerRow& row : spacerTable) {
            QLayoutItem* member = window.layoutItems().value(row.name);
            QSpacerItem* spacer = member ? member->spacerItem() : nullptr;
            QVERIFY2(spacer, row.name);
            QCOMPARE(spacer->sizeHint(), row.size);
            QCOMPARE(spacer->sizePolicy().horizontalPolicy(), row.horizontal);
            QCOMPARE(spacer->sizePolicy().verticalPolicy(), row.vertical);
        }
    }

    void texts_data()
    {
        QTest::addColumn<Translation>("translate");
        QTest::newRow("no translation") << Translation(untranslated);
        QTest::newRow("every text through tr") << Translation(marked);
    }

    // Every text is the designed one, and each passes through the window's tr.
    void texts()
    {
        QFETCH(Translation, translate);
        ScopedTranslator translator(translate);
        FormWindow window;
        QCOMPARE(shownTexts(window), designedTexts(translate));
    }

    // A second call sets each text again and refills the facet box rather
    // than adding to it.
    void secondLanguageChangeRestoresEveryText()
    {
        FormWindow window;
        window.comboBox1->setCurrentIndex(3);
        window.textLabel3_2_4_3->setText("x");
        window.tabWidget4->setTabText(1, "x");
        window.fileSaveAction->setIconText("x");
        window.helpMenu->setTitle("x");
        window.languageChange();
        QCOMPARE(window.comboBox1->count(), 4);
        QCOMPARE(window.comboBox1->currentText(), QString("Felucca"));
        QCOMPARE(window.fileMenu->title(), QString("&File"));
        QCOMPARE(window.helpMenu->title(), QString("&Help"));
        QCOMPARE(shownTexts(window), designedTexts(untranslated));
    }

    void initialState()
    {
        FormWindow window;
        for (const WidgetRow& row : widgetTable) {
            auto* widget = qobject_cast<QWidget*>(window.objects().value(row.name));
            QVERIFY2(widget->isEnabled() != disabledAtStart.contains(row.name), row.name);
        }
        QCOMPARE(window.tabWidget3->currentWidget(), window.tab);
        QCOMPARE(window.tabWidget2->currentWidget(), window.tab_2);
        QCOMPARE(window.tabWidget4->currentWidget(), window.tab_5);
        QCOMPARE(window.comboBox1->currentIndex(), 0);
        QVERIFY(!window.comboBox1->isEditable());
        QVERIFY(!window.generateMode && !window.combineMode);
        QVERIFY(window.calls.isEmpty());
        QVERIFY(window.findChildren<QToolBar*>().isEmpty());

        // The status bar is made before any widget of the form, and is empty.
        const auto children = window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        auto* statusBar = window.findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(statusBar && statusBar->currentMessage().isEmpty());
        QVERIFY(children.indexOf(statusBar) < children.indexOf(window.centralWidget()));
        QCOMPARE(window.centralWidget()->objectName(), QString("qt_central_widget"));
    }

    void actions_data() { addRows(actionTable); }

    // Parent, creation order, icon and placement of each action; its texts
    // are checked with the other texts.
    void actions()
    {
        QFETCH(int, index);
        const ActionRow& row = actionTable[index];
        FormWindow window;
        auto* action = qobject_cast<QAction*>(window.objects().value(row.name));
        QVERIFY(action);
        QCOMPARE(action->objectName(), QString(row.name));
        QCOMPARE(action->parent(), static_cast<QObject*>(&window));
        const auto created = window.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(created.indexOf(action), index);

        if (row.icon) {
            const QImage expected = findEmbeddedImage(row.icon).convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QCOMPARE(action->icon().pixmap(22, 22).toImage().convertToFormat(expected.format()), expected);
        } else {
            QVERIFY(action->icon().isNull());
        }
        const QObjectList placedIn = row.menu ? QObjectList{window.objects().value(row.menu)} : QObjectList{};
        QCOMPARE(action->associatedObjects(), placedIn);
    }

    void menus()
    {
        FormWindow window;
        QCOMPARE(window.menuBar(), window.MenuBar);
        QCOMPARE(window.MenuBar->objectName(), QString("MenuBar"));
        QCOMPARE(window.MenuBar->parent(), static_cast<QObject*>(&window));
        const QList<QAction*> items{window.fileMenu->menuAction(), window.helpMenu->menuAction()};
        QCOMPARE(window.MenuBar->actions(), items);
        QCOMPARE(items[0]->data(), QVariant(1));
        QCOMPARE(items[1]->data(), QVariant(2));
        for (QMenu* menu : {window.fileMenu, window.helpMenu}) {
            QCOMPARE(menu->parent(), static_cast<QObject*>(&window));
            QVERIFY(menu->objectName().isEmpty());
        }
        QCOMPARE(window.fileMenu->actions(), QList<QAction*>{window.fileExitAction});
        QCOMPARE(window.helpMenu->actions(), QList<QAction*>{window.helpAboutAction});
    }

    void connections_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QStringList>("reached");
        const QStringList pokable{"QPushButton", "QTabWidget", "QComboBox", "QLineEdit"};
        for (const WidgetRow& row : widgetTable) {
            if (pokable.contains(row.cls))
                QTest::newRow(row.name) << row.name << (row.reaches ? QString(row.reaches).split('|') : QStringList{});
        }
        for (const ActionRow& row : actionTable)
            QTest::newRow(row.name) << row.name << (row.slot ? QStringList{row.slot} : QStringList{});
    }

    // Each button, action, tab widget, line edit and the facet box reaches
    // its slot once, or nothing.
    void connections()
    {
        QFETCH(QString, sender);
        QFETCH(QStringList, reached);
        FormWindow window;
        poke(window.objects().value(sender));
        QCOMPARE(window.calls, reached);
    }

    // Only the eighteen senders are connected to the window; the outer tabs
    // and the seven actions outside the menus to nothing at all.
    void nothingElseIsConnected()
    {
        FormWindow window;
        QSet<QString> senders;
        for (const WidgetRow& row : widgetTable)
            senders += row.reaches ? QString(row.name) : QString();
        for (const ActionRow& row : actionTable)
            senders += row.slot ? QString(row.name) : QString();
        senders.remove(QString());
        QCOMPARE(senders.size(), 18);
        const auto objects = window.objects();
        for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
            const bool connected = QObject::disconnect(it.value(), nullptr, &window, nullptr);
            QVERIFY2(connected == senders.contains(it.key()), qPrintable(it.key()));
        }
        QVERIFY(!QObject::disconnect(window.tabWidget3, nullptr, nullptr, nullptr));
        for (const ActionRow& row : actionTable)
            QVERIFY2(row.slot || !QObject::disconnect(objects.value(row.name), nullptr, nullptr, nullptr), row.name);
    }

    void initialSize_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QSize>("expected");  // -1: the minimum size hint's
        QTest::newRow("designed size") << QString() << QSize(485, 528);
        QTest::newRow("wider") << QString("Directory").leftJustified(200, 'W') << QSize(-1, 528);
        QTest::newRow("taller") << QString("Directory").leftJustified(60, '\n') + "Directory" << QSize(485, -1);
    }

    // 485 x 528, each dimension raised to the layouts' minimum where that is
    // larger; the texts are in place before the size is taken.
    void initialSize()
    {
        QFETCH(QString, directory);
        QFETCH(QSize, expected);
        ScopedTranslator translator([&](const QString& text) { return text == "Directory" ? directory : QString(); });
        FormWindow window;
        const QSize hint = window.minimumSizeHint();
        QCOMPARE(QSize(hint.width() > 485 ? -1 : 485, hint.height() > 528 ? -1 : 528), expected);
        QCOMPARE(window.size(), hint.expandedTo(QSize(485, 528)));
    }

    // Whatever the window's size, the browse buttons keep their size, the
    // run buttons sit at the right edge of their page and the facet box
    // keeps its width.
    void browseButtonsKeepTheirSizeOnResize()
    {
        FormWindow window;
        window.show();
        QHash<QString, QSize> sizes;
        for (const QSize& size : {QSize(485, 528), QSize(1100, 900)}) {
            window.resize(size);
            forEachPage(window, [&](const QString&) {
                for (const WidgetRow& row : widgetTable) {
                    auto* button = qobject_cast<QPushButton*>(window.objects().value(row.name));
                    if (!isBrowseButton(row) || !button->isVisible())
                        continue;
                    QCOMPARE(button->size(), button->sizeHint());
                    QCOMPARE(sizes.value(row.name, button->size()), button->size());
                    sizes.insert(row.name, button->size());
                }
                QPushButton* run = window.tabWidget3->currentIndex() ? window.pushCombine : window.pushGenerate;
                QCOMPARE(run->parentWidget()->width() - 1 - run->geometry().right(), 11);
            });
            QCOMPARE(window.comboBox1->width(), window.comboBox1->sizeHint().width());
        }
        QCOMPARE(sizes.size(), 12);
    }

    // Each page pair rendered headless, for a person to look at.
    void screenshots()
    {
        FormWindow window;
        window.show();
        QDir().mkpath(QUILLMARK_SCREENSHOT_DIR);
        forEachPage(window, [&](const QString& pages) {
            const QPixmap shot = window.grab();
            QCOMPARE(shot.size(), window.size());
            const QString path = QDir(QUILLMARK_SCREENSHOT_DIR).filePath("mainwindow-" + pages + ".png");
            QVERIFY(shot.save(path));
            qInfo("screenshot: %s", qPrintable(path));
        });
    }
};

QTEST_MAIN(FormTest)
#include "tst_form.moc"
