// The main window's form against its designed tables: object tree, layouts,
// texts, actions, menus and connections; the initial size rule; and a
// screenshot for a person to look at.

#include "embeddedimage.h"
#include "mainwindow.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The window with its slots replaced by a call log, so that every sender can
// be poked without a dialog or a job. The page switches keep their effect.
class FormWindow : public mainwindow
{
public:
    QStringList calls;
    // clang-format off
#define LOG(slot) void slot() override { calls << #slot; }
    LOG(fileExit) LOG(helpAbout) LOG(findRefIdx) LOG(findRefData) LOG(findDif) LOG(findDifl) LOG(findDifi)
    LOG(findOutputDir) LOG(findStaMul) LOG(findCStaMul) LOG(findStaIdx) LOG(findCStaIdx) LOG(findMapMul)
    LOG(findCMapMul) LOG(diffGenerate) LOG(diffCombine)
#undef LOG
    void tabChange(QWidget* p) override { log("tabChange", p), mainwindow::tabChange(p); }
    // clang-format on
    void tabCChange(QWidget* p) override
    {
        log("tabCChange", p), mainwindow::tabCChange(p);
    }
    void log(const QString& slot, QWidget* page)
    {
        calls << slot + "(" + (page ? page->objectName() : "") + ")";
    }
    using mainwindow::languageChange;
};

// The form as its layouts, in creation order: "name kind host margin items".
// Kind is H(box), V(box) or G(rid); the host is the widget the layout is set
// on, its parent layout, or for a group's unnamed row the group box. Items:
// layouts; spacers as width x height:horizontal:vertical policy; widgets with
// their grid cell after "@" and their text after "=" ("+" for a space).
// Widgets of one parent appear in their creation order.
const char* const layoutTable[] = {
    "mainwindowLayout H qt_central_widget 11 layout25",
    "layout25 V mainwindowLayout 0 groupBox3=Output+Directory tabWidget3",
    "groupBox3Layout H groupBox3 0 layout13",
    "layout13 V groupBox3Layout 0 layout2 layout12",
    "layout2 G layout13 0 textLabel3_3@0,0=Directory lineOutDir@0,1 pushOutDir@0,2=...",
    "layout12 H layout13 0 textLabel4=Facet comboBox1=Felucca|Trammel|Ilshenar|Malas 40x20:Expanding:Minimum",
    "tabLayout H tab 11 layout15",
    "layout15 V tabLayout 0 groupBox2=Reference+Data tabWidget2 layout3",
    "groupBox2Layout H groupBox2 0 layout1",
    "layout1 G groupBox2Layout 0 pushRefIdx@0,2=... lineRefIdx@0,1 lineRefData@1,1 textLabel3_2@1,0=Data "
    "pushRefData@1,2=... textLabel3@0,0=Index",
    "tabLayout_2 H tab_2 11 layout8",
    "layout8 V tabLayout_2 0 20x40:Minimum:Expanding layout6 20x50:Minimum:Expanding",
    "layout6 H layout8 0 textLabel3_2_3=Data lineMapMul pushMapData=...",
    "tabLayout_3 H tab_3 11 layout1_2",
    "layout1_2 G tabLayout_3 0 pushStaIdx@0,2=... lineStaIdx@0,1 lineStaMul@1,1 textLabel3_2_2@1,0=Data "
    "pushStaData@1,2=... textLabel3_4@0,0=Index",
    "layout3 H layout15 0 40x20:Expanding:Minimum pushGenerate=Generate",
    "tabLayout_4 H tab_4 11 layout24",
    "layout24 V tabLayout_4 0 groupBox2_2=Dif+Files tabWidget4 layout3_2",
    "groupBox2_2Layout H groupBox2_2 0 layout26",
    "layout26 G groupBox2_2Layout 0 textLabel3_2_4@1,0=Dif pushDif@1,2=... pushDifl@0,2=... lineDif@1,1 "
    "pushDifi@2,2=... lineDifl@0,1 lineDifi@2,1 textLabel3_2_4_2@2,0=Difi textLabel3_5@0,0=Difl",
    "tabLayout_5 H tab_5 11 layout18",
    "layout18 H tabLayout_5 0 textLabel3_2_4_3=Map+File lineCMap pushCMap=...",
    "tabLayout_6 H tab_6 11 layout21",
    "layout21 V tabLayout_6 0 layout18_2 layout18_3",
    "layout18_2 H layout21 0 textLabel3_2_4_3_2=Index lineCStaIdx pushCStaIdx=...",
    "layout18_3 H layout21 0 textLabel3_2_4_3_3=Data lineCStaData pushCStaData=...",
    "layout3_2 H layout24 0 40x20:Expanding:Minimum pushCombine=Combine",
};

// "tab widget page=title...", pages in index order.
const char* const pageTable[] = {"tabWidget3 tab=Generate tab_4=Combine",
                                 "tabWidget2 tab_2=Map tab_3=Statics", "tabWidget4 tab_5=Map tab_6=Statics"};

// "name|text|menu text|accelerator|icon|menu", in creation order.
const char* const actionTable[] = {
    "fileNewAction|New|&New|Ctrl+N|filenew|",         "fileOpenAction|Open|&Open...|Ctrl+O|fileopen|",
    "fileSaveAction|Generate|&Save|Ctrl+S|filesave|", "fileSaveAsAction|Save As|Save &As...|||",
    "filePrintAction|Print|&Print...|Ctrl+P|print|",  "fileExitAction|Exit|E&xit|||fileMenu",
    "helpContentsAction|Contents|&Contents...|||",    "helpIndexAction|Index|&Index...|||",
    "helpAboutAction|About|&About|||helpMenu"};

// What poking each sender calls; poking any other widget or action calls nothing.
const QStringList connectionTable =
    QString(
        "fileExitAction=fileExit helpAboutAction=helpAbout pushRefIdx=findRefIdx pushRefData=findRefData "
        "pushMapData=findMapMul pushOutDir=findOutputDir pushStaData=findStaMul pushStaIdx=findStaIdx "
        "tabWidget2=tabChange(tab_3),tabChange(tab_2) pushGenerate=diffGenerate pushCombine=diffCombine "
        "pushDif=findDif pushDifi=findDifi pushDifl=findDifl tabWidget4=tabCChange(tab_6),tabCChange(tab_5) "
        "pushCMap=findCMapMul pushCStaData=findCStaMul pushCStaIdx=findCStaIdx")
        .split(' ');

// Every widget of the tables as "name=text", those of one parent in creation order.
QStringList formWidgets()
{
    QStringList items;
    for (const char* row : layoutTable)
        items << QString(row).split(' ').mid(4).filter(
            QRegularExpression("^(?!.*(ayout|:))"));  // widgets only
    for (const char* row : pageTable)
        items << QString(row).split(' ').mid(1);
    return items.replaceInStrings(QRegularExpression("@\\d,\\d"), "").replaceInStrings("+", " ");
}

// Translates the window's texts while it lives; a null result keeps the source.
class Translator : public QTranslator
{
public:
    explicit Translator(std::function<QString(const QString&)> t) : m_tr(t) { qApp->installTranslator(this); }
    ~Translator() override { QCoreApplication::removeTranslator(this); }
    QString translate(const char* context, const char* text, const char* comment, int) const override
    {
        return qstrcmp(context, "mainwindow") || (comment && *comment) ? QString() : m_tr(text);
    }
    std::function<QString(const QString&)> m_tr;
};

// Differs from every source text, accelerators included.
QString marked(const QString& s)
{
    return s.isEmpty() ? s : s.startsWith("Ctrl+") ? "Alt" + s.mid(4) : "[" + s + "]";
}

// An item as the layout table writes it; "!" marks a stretch, an alignment or a span.
QString itemName(QLayout* layout, int i)
{
    QLayoutItem* item = layout->itemAt(i);
    const QMetaEnum key = QMetaEnum::fromType<QSizePolicy::Policy>();
    QString name = item->widget()   ? item->widget()->objectName()
                   : item->layout() ? item->layout()->objectName()
                                    : "";
    if (QSpacerItem* s = item->spacerItem())
        name = QString("%1x%2:%3:%4")
                   .arg(s->sizeHint().width())
                   .arg(s->sizeHint().height())
                   .arg(key.valueToKey(s->sizePolicy().horizontalPolicy()),
                        key.valueToKey(s->sizePolicy().verticalPolicy()));
    int row = 0, column = 0, rows = 1, columns = 1;
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
        grid->getItemPosition(i, &row, &column, &rows, &columns),
            name += QString("@%1,%2").arg(row).arg(column);
    auto* box = qobject_cast<QBoxLayout*>(layout);
    return name + (item->alignment() || (box && box->stretch(i)) || rows * columns != 1 ? "!" : "");
}

template <typename W>
QWidget* make()
{
    return new W;
}

}  // namespace

class FormTest : public QObject
{
    Q_OBJECT

private slots:
    // Class, creation order, page index, size policy, size limits and text
    // of each widget; every text passes through tr.
    void widgets()
    {
        Translator translator(marked);
        FormWindow w;
        QVERIFY(w.windowTitle() == marked("Quillmark")
                && w.centralWidget()->objectName() == "qt_central_widget");
        const QList<std::pair<QString, QWidget* (*)()>> makers{
            {"push", make<QPushButton>},   {"line", make<QLineEdit>},     {"textLabel", make<QLabel>},
            {"groupBox", make<QGroupBox>}, {"comboBox", make<QComboBox>}, {"tabWidget", make<QTabWidget>},
            {"tab", make<QWidget>}};
        QHash<QObject*, int> last;
        for (const QString& row : formWidgets()) {
            const QString name = row.section('=', 0, 0);
            auto* widget = w.findChild<QWidget*>(name);
            auto maker =
                std::find_if(makers.begin(), makers.end(), [&](auto& m) { return name.startsWith(m.first); });
            const std::unique_ptr<QWidget> fresh(maker->second());
            QVERIFY2(widget && widget->metaObject() == fresh->metaObject(), qPrintable(name));
            QWidget* parent = widget->parentWidget();
            auto* tabs = qobject_cast<QTabWidget*>(parent->parentWidget());  // pages: their index
            const int at = tabs ? tabs->indexOf(widget) : parent->children().indexOf(widget);
            QVERIFY2(tabs ? at == last.value(parent, -1) + 1 : at > last.value(parent, -1), qPrintable(name));
            last[parent] = at;
            QSizePolicy policy =
                row.endsWith("=...") ? QSizePolicy(policy.Fixed, policy.Fixed) : fresh->sizePolicy();
            policy.setHeightForWidth(fresh->sizePolicy().hasHeightForWidth());
            QVERIFY2(widget->sizePolicy() == policy && widget->minimumSize() == fresh->minimumSize()
                         && widget->maximumSize() == fresh->maximumSize(),
                     qPrintable(name));
            QStringList texts = row.section('=', 1).split('|'), shown;
            auto* combo = qobject_cast<QComboBox*>(widget);
            for (int i = 0; combo && i < combo->count(); ++i)
                shown << combo->itemText(i);
            std::transform(texts.begin(), texts.end(), texts.begin(), marked);
            QCOMPARE(name + "="
                         + (tabs    ? tabs->tabText(tabs->indexOf(widget))
                            : combo ? shown.join('|')
                                    : widget->property(qobject_cast<QGroupBox*>(widget) ? "title" : "text")
                                          .toString()),
                     name + "=" + texts.join('|'));
        }
    }

    // Kind, name, place, margin, spacing and items of each layout. A nested
    // layout's place shows in its parent's items; a group's unnamed row is the
    // one item of the group's column layout.
    void layouts()
    {
        FormWindow w;
        for (const char* row : layoutTable) {
            const QStringList f = QString(row).split(' ');
            QWidget* widget = w.findChild<QWidget*>(f[2]);  // null when the host is a layout
            auto* column =
                qobject_cast<QVBoxLayout*>(qobject_cast<QGroupBox*>(widget) ? widget->layout() : nullptr);
            QLayout* layout =
                column && column->count() ? column->itemAt(0)->layout() : w.findChild<QLayout*>(f[0]);
            QVERIFY2(layout && layout->objectName() == (column ? "" : f[0]), row);
            QCOMPARE(layout->metaObject()->className(),
                     "Q" + (f[1] == "G" ? "Grid" : f[1] + "Box") + "Layout");
            QVERIFY2(column ? column->count() == 1 && column->itemAt(0)->alignment() == Qt::AlignTop
                                  && column->spacing() == 6
                                  && column->contentsMargins() == QMargins(11, 11, 11, 11)
                            : !widget || widget->layout() == layout,
                     row);
            QVERIFY2(layout->contentsMargins() == QMargins(1, 1, 1, 1) * f[3].toInt()
                         && layout->spacing() == 6,
                     row);
            QStringList items;
            for (int i = 0; i < layout->count(); ++i)
                items << itemName(layout, i);
            QCOMPARE(items, f.mid(4).replaceInStrings(QRegularExpression("=.*"), ""));
        }
    }

    // Creation order, texts, icon and menu of each action; the menus. A second
    // languageChange() refills the facet box rather than adding to it.
    void actionsAndMenus()
    {
        Translator translator(marked);
        FormWindow w;
        const auto created = w.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(created.size(), 9);
        for (int i = 0; i < 9; ++i) {
            const QStringList f = QString(actionTable[i]).split('|');
            QAction* a = created[i];
            QCOMPARE(QStringList({a->objectName(), a->iconText(), a->text(), a->shortcut().toString()}),
                     QStringList({f[0], marked(f[1]), marked(f[2]), marked(f[3])}));
            QCOMPARE(a->icon().pixmap(22, 22).toImage(),
                     QPixmap::fromImage(findEmbeddedImage(f[4])).toImage());
            QCOMPARE(a->associatedObjects(), f[5].isEmpty()
                                                 ? QObjectList()
                                                 : QObjectList{f[5] == "fileMenu" ? w.fileMenu : w.helpMenu});
        }
        QVERIFY(w.menuBar() == w.MenuBar && w.MenuBar->objectName() == "MenuBar");
        QCOMPARE(w.MenuBar->actions(), QList<QAction*>({w.fileMenu->menuAction(), w.helpMenu->menuAction()}));
        QVERIFY(w.fileMenu->title() == marked("&File") && w.helpMenu->title() == marked("&Help"));
        for (QMenu* menu : {w.fileMenu, w.helpMenu})
            QVERIFY(menu->parent() == &w && menu->objectName().isEmpty());
        QCOMPARE(w.fileMenu->actions(), QList<QAction*>{w.fileExitAction});
        QCOMPARE(w.helpMenu->actions(), QList<QAction*>{w.helpAboutAction});
        QCoreApplication::removeTranslator(&translator);
        w.comboBox1->setCurrentIndex(3);
        w.languageChange();
        QCOMPARE(QStringList({QString::number(w.comboBox1->count()), w.comboBox1->currentText(),
                              w.fileMenu->title(), w.helpMenu->title(),
                              w.comboBox1->isEditable() ? "editable" : ""}),
                 QStringList({"4", "Felucca", "&File", "&Help", ""}));
    }

    // Each sender reaches its slots and is connected to the window; every
    // other widget and action, the outer tabs, the facet box and the seven
    // spare actions among them, reaches nothing and is connected to nothing.
    void connections()
    {
        FormWindow w;
        for (QObject* o : w.findChildren<QObject*>()) {  // each object of the form, poked as a user would
            const QString reached =
                connectionTable.filter(QRegularExpression("^" + o->objectName() + "=")).join("");
            const bool action = o->inherits("QAction") && o->parent() == &w;
            w.calls.clear();
            if (o->inherits("QTabWidget") || o->inherits("QComboBox")) {
                o->setProperty("currentIndex", 1);
                o->setProperty("currentIndex", 0);
            } else if (o->inherits("QPushButton") || action) {
                o->setProperty("enabled", true);
                QMetaObject::invokeMethod(o, action ? "trigger" : "click");
            }
            QCOMPARE(w.calls.join(','), reached.section('=', 1));
            const bool connected = QObject::disconnect(o, nullptr, action ? nullptr : &w, nullptr);
            QVERIFY2(connected == !reached.isEmpty(), qPrintable(o->objectName()));
        }
        QVERIFY(!QObject::disconnect(w.tabWidget3, nullptr, nullptr, nullptr));
    }

    // 485 x 528, each dimension raised to the layouts' minimum where that is
    // larger, with the texts in place.
    void initialSize()
    {
        const QList<std::pair<QString, QSize>> cases{
            {"", {485, 528}},
            {QString(200, 'W'), {-1, 528}},
            {QString(60, '\n'), {485, -1}}};  // "Directory" made wide or tall
        for (const auto& [directory, expected] : cases) {
            Translator translator([&](const QString& s) { return s == "Directory" ? directory : QString(); });
            FormWindow w;
            const QSize hint = w.minimumSizeHint();
            QCOMPARE(QSize(hint.width() > 485 ? -1 : 485, hint.height() > 528 ? -1 : 528), expected);
            QCOMPARE(w.size(), hint.expandedTo(QSize(485, 528)));
        }
    }

    // On every page, at the designed size and larger, the browse buttons keep
    // their size. The Generate and Combine pages at the designed size are
    // saved, rendered headless, for a person to look at.
    void resizeAndScreenshots()
    {
        FormWindow w;
        w.show();
        QDir().mkpath(QUILLMARK_SCREENSHOT_DIR);
        for (int i = 0; i < 8; ++i) {  // the four page pairs at each size
            w.resize(i < 4 ? QSize(485, 528) : QSize(1100, 900));
            w.tabWidget3->setCurrentIndex(i % 4 / 2);
            (i % 4 < 2 ? w.tabWidget2 : w.tabWidget4)->setCurrentIndex(i % 2);
            QCoreApplication::processEvents();
            for (QPushButton* button : w.findChildren<QPushButton*>()) {
                if (button->text() == "..." && button->isVisible())
                    QVERIFY2(button->size() == button->sizeHint(), qPrintable(button->objectName()));
            }
            if (i == 0 || i == 2) {
                const QString path =
                    QString(QUILLMARK_SCREENSHOT_DIR "/form-%1.png").arg(i ? "combine" : "generate");
                QVERIFY(w.grab().save(path));
                qInfo("screenshot: %s", qPrintable(path));
            }
        }
    }
};

QTEST_MAIN(FormTest)
#include "tst_form.moc"
