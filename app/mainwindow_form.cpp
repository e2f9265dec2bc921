// The window's form, in the designer's style: every object created with its
// parent and object name, set up right after creation, then placed; layouts
// with explicit margins and spacings; all texts set in languageChange().

#include "mainwindow.h"

#include "imagesource.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

enum MenuBarItem { FileMenuItem = 1, HelpMenuItem = 2 };

template <typename Widget>
Widget* makeWidget(QWidget* parent, const char* name)
{
    Widget* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// The browse buttons keep their size whatever the window's size.
QPushButton* makeBrowseButton(QWidget* parent, const char* name)
{
    QPushButton* button = makeWidget<QPushButton>(parent, name);
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    policy.setHeightForWidth(button->sizePolicy().hasHeightForWidth());
    button->setSizePolicy(policy);
    return button;
}

template <typename Layout>
Layout* makeLayout(const char* name, int margin)
{
    Layout* layout = new Layout();
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(6);
    layout->setObjectName(QLatin1String(name));
    return layout;
}

// The top layout of the central widget or of a tab page.
QHBoxLayout* makeTopLayout(QWidget* widget, const char* name)
{
    QHBoxLayout* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(11, 11, 11, 11);
    layout->setSpacing(6);
    layout->setObjectName(QLatin1String(name));
    return layout;
}

// A group box holds a column layout (spacing 6, margin 11) whose one item is
// an unnamed row, aligned to the top, that takes the group's content.
QHBoxLayout* makeGroupRow(QGroupBox* group)
{
    QVBoxLayout* column = new QVBoxLayout(group);
    column->setSpacing(6);
    column->setContentsMargins(11, 11, 11, 11);
    QHBoxLayout* row = new QHBoxLayout();
    column->addLayout(row);
    row->setAlignment(Qt::AlignTop);
    return row;
}

void setActionTexts(QAction* action, const QString& text, const QString& menuText, const QKeySequence& accel)
{
    action->setIconText(text);
    action->setText(menuText);
    action->setShortcut(accel);
}

}  // namespace

void mainwindow::buildForm()
{
    QWidget* centralWidget = makeWidget<QWidget>(this, "qt_central_widget");
    setCentralWidget(centralWidget);
    mainwindowLayout = makeTopLayout(centralWidget, "mainwindowLayout");
    layout25 = makeLayout<QVBoxLayout>("layout25", 0);

    buildOutputGroup();
    buildGeneratePage();
    buildCombinePage();
    layout25->addWidget(tabWidget3);
    mainwindowLayout->addLayout(layout25);

    buildActions();
    buildMenus();
    languageChange();
    resize(QSize(485, 528).expandedTo(minimumSizeHint()));
    setAttribute(Qt::WA_WState_Polished, false);
    connectForm();

    generateMode = false;
    combineMode = false;
}

void mainwindow::buildOutputGroup()
{
    QWidget* centralWidget = this->centralWidget();
    groupBox3 = makeWidget<QGroupBox>(centralWidget, "groupBox3");
    groupBox3Layout = makeGroupRow(groupBox3);
    layout13 = makeLayout<QVBoxLayout>("layout13", 0);

    layout2 = makeLayout<QGridLayout>("layout2", 0);
    textLabel3_3 = makeWidget<QLabel>(groupBox3, "textLabel3_3");
    layout2->addWidget(textLabel3_3, 0, 0);
    lineOutDir = makeWidget<QLineEdit>(groupBox3, "lineOutDir");
    layout2->addWidget(lineOutDir, 0, 1);
    pushOutDir = makeBrowseButton(groupBox3, "pushOutDir");
    layout2->addWidget(pushOutDir, 0, 2);
    layout13->addLayout(layout2);

    layout12 = makeLayout<QHBoxLayout>("layout12", 0);
    textLabel4 = makeWidget<QLabel>(groupBox3, "textLabel4");
    layout12->addWidget(textLabel4);
    comboBox1 = makeWidget<QComboBox>(groupBox3, "comboBox1");
    comboBox1->setEditable(false);
    layout12->addWidget(comboBox1);
    facetSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    layout12->addItem(facetSpacer);
    layout13->addLayout(layout12);

    groupBox3Layout->addLayout(layout13);
    layout25->addWidget(groupBox3);
}

void mainwindow::buildGeneratePage()
{
    tabWidget3 = makeWidget<QTabWidget>(centralWidget(), "tabWidget3");
    tab = makeWidget<QWidget>(tabWidget3, "tab");
    tabLayout = makeTopLayout(tab, "tabLayout");
    layout15 = makeLayout<QVBoxLayout>("layout15", 0);

    groupBox2 = makeWidget<QGroupBox>(tab, "groupBox2");
    groupBox2Layout = makeGroupRow(groupBox2);
    layout1 = makeLayout<QGridLayout>("layout1", 0);
    pushRefIdx = makeBrowseButton(groupBox2, "pushRefIdx");
    pushRefIdx->setEnabled(false);
    layout1->addWidget(pushRefIdx, 0, 2);
    lineRefIdx = makeWidget<QLineEdit>(groupBox2, "lineRefIdx");
    lineRefIdx->setEnabled(false);
    layout1->addWidget(lineRefIdx, 0, 1);
    lineRefData = makeWidget<QLineEdit>(groupBox2, "lineRefData");
    layout1->addWidget(lineRefData, 1, 1);
    textLabel3_2 = makeWidget<QLabel>(groupBox2, "textLabel3_2");
    layout1->addWidget(textLabel3_2, 1, 0);
    pushRefData = makeBrowseButton(groupBox2, "pushRefData");
    layout1->addWidget(pushRefData, 1, 2);
    textLabel3 = makeWidget<QLabel>(groupBox2, "textLabel3");
    layout1->addWidget(textLabel3, 0, 0);
    groupBox2Layout->addLayout(layout1);
    layout15->addWidget(groupBox2);

    tabWidget2 = makeWidget<QTabWidget>(tab, "tabWidget2");
    tab_2 = makeWidget<QWidget>(tabWidget2, "tab_2");
    tabLayout_2 = makeTopLayout(tab_2, "tabLayout_2");
    layout8 = makeLayout<QVBoxLayout>("layout8", 0);
    mapTopSpacer = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
    layout8->addItem(mapTopSpacer);
    layout6 = makeLayout<QHBoxLayout>("layout6", 0);
    textLabel3_2_3 = makeWidget<QLabel>(tab_2, "textLabel3_2_3");
    layout6->addWidget(textLabel3_2_3);
    lineMapMul = makeWidget<QLineEdit>(tab_2, "lineMapMul");
    layout6->addWidget(lineMapMul);
    pushMapData = makeBrowseButton(tab_2, "pushMapData");
    layout6->addWidget(pushMapData);
    layout8->addLayout(layout6);
    mapBottomSpacer = new QSpacerItem(20, 50, QSizePolicy::Minimum, QSizePolicy::Expanding);
    layout8->addItem(mapBottomSpacer);
    tabLayout_2->addLayout(layout8);
    tabWidget2->addTab(tab_2, QString());

    tab_3 = makeWidget<QWidget>(tabWidget2, "tab_3");
    tabLayout_3 = makeTopLayout(tab_3, "tabLayout_3");
    layout1_2 = makeLayout<QGridLayout>("layout1_2", 0);
    pushStaIdx = makeBrowseButton(tab_3, "pushStaIdx");
    layout1_2->addWidget(pushStaIdx, 0, 2);
    lineStaIdx = makeWidget<QLineEdit>(tab_3, "lineStaIdx");
    layout1_2->addWidget(lineStaIdx, 0, 1);
    lineStaMul = makeWidget<QLineEdit>(tab_3, "lineStaMul");
    layout1_2->addWidget(lineStaMul, 1, 1);
    textLabel3_2_2 = makeWidget<QLabel>(tab_3, "textLabel3_2_2");
    layout1_2->addWidget(textLabel3_2_2, 1, 0);
    pushStaData = makeBrowseButton(tab_3, "pushStaData");
    layout1_2->addWidget(pushStaData, 1, 2);
    textLabel3_4 = makeWidget<QLabel>(tab_3, "textLabel3_4");
    layout1_2->addWidget(textLabel3_4, 0, 0);
    tabLayout_3->addLayout(layout1_2);
    tabWidget2->addTab(tab_3, QString());
    layout15->addWidget(tabWidget2);

    layout3 = makeLayout<QHBoxLayout>("layout3", 0);
    generateSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    layout3->addItem(generateSpacer);
    pushGenerate = makeWidget<QPushButton>(tab, "pushGenerate");
    layout3->addWidget(pushGenerate);
    layout15->addLayout(layout3);
    tabLayout->addLayout(layout15);
    tabWidget3->addTab(tab, QString());
}

void mainwindow::buildCombinePage()
{
    tab_4 = makeWidget<QWidget>(tabWidget3, "tab_4");
    tabLayout_4 = makeTopLayout(tab_4, "tabLayout_4");
    layout24 = makeLayout<QVBoxLayout>("layout24", 0);

    groupBox2_2 = makeWidget<QGroupBox>(tab_4, "groupBox2_2");
    groupBox2_2Layout = makeGroupRow(groupBox2_2);
    layout26 = makeLayout<QGridLayout>("layout26", 0);
    textLabel3_2_4 = makeWidget<QLabel>(groupBox2_2, "textLabel3_2_4");
    layout26->addWidget(textLabel3_2_4, 1, 0);
    pushDif = makeBrowseButton(groupBox2_2, "pushDif");
    layout26->addWidget(pushDif, 1, 2);
    pushDifl = makeBrowseButton(groupBox2_2, "pushDifl");
    pushDifl->setEnabled(true);
    layout26->addWidget(pushDifl, 0, 2);
    lineDif = makeWidget<QLineEdit>(groupBox2_2, "lineDif");
    layout26->addWidget(lineDif, 1, 1);
    pushDifi = makeBrowseButton(groupBox2_2, "pushDifi");
    pushDifi->setEnabled(false);
    layout26->addWidget(pushDifi, 2, 2);
    lineDifl = makeWidget<QLineEdit>(groupBox2_2, "lineDifl");
    lineDifl->setEnabled(true);
    layout26->addWidget(lineDifl, 0, 1);
    lineDifi = makeWidget<QLineEdit>(groupBox2_2, "lineDifi");
    lineDifi->setEnabled(false);
    layout26->addWidget(lineDifi, 2, 1);
    textLabel3_2_4_2 = makeWidget<QLabel>(groupBox2_2, "textLabel3_2_4_2");
    layout26->addWidget(textLabel3_2_4_2, 2, 0);
    textLabel3_5 = makeWidget<QLabel>(groupBox2_2, "textLabel3_5");
    layout26->addWidget(textLabel3_5, 0, 0);
    groupBox2_2Layout->addLayout(layout26);
    layout24->addWidget(groupBox2_2);

    tabWidget4 = makeWidget<QTabWidget>(tab_4, "tabWidget4");
    tab_5 = makeWidget<QWidget>(tabWidget4, "tab_5");
    tabLayout_5 = makeTopLayout(tab_5, "tabLayout_5");
    layout18 = makeLayout<QHBoxLayout>("layout18", 0);
    textLabel3_2_4_3 = makeWidget<QLabel>(tab_5, "textLabel3_2_4_3");
    layout18->addWidget(textLabel3_2_4_3);
    lineCMap = makeWidget<QLineEdit>(tab_5, "lineCMap");
    layout18->addWidget(lineCMap);
    pushCMap = makeBrowseButton(tab_5, "pushCMap");
    layout18->addWidget(pushCMap);
    tabLayout_5->addLayout(layout18);
    tabWidget4->addTab(tab_5, QString());

    tab_6 = makeWidget<QWidget>(tabWidget4, "tab_6");
    tabLayout_6 = makeTopLayout(tab_6, "tabLayout_6");
    layout21 = makeLayout<QVBoxLayout>("layout21", 0);
    layout18_2 = makeLayout<QHBoxLayout>("layout18_2", 0);
    textLabel3_2_4_3_2 = makeWidget<QLabel>(tab_6, "textLabel3_2_4_3_2");
    layout18_2->addWidget(textLabel3_2_4_3_2);
    lineCStaIdx = makeWidget<QLineEdit>(tab_6, "lineCStaIdx");
    layout18_2->addWidget(lineCStaIdx);
    pushCStaIdx = makeBrowseButton(tab_6, "pushCStaIdx");
    layout18_2->addWidget(pushCStaIdx);
    layout21->addLayout(layout18_2);
    layout18_3 = makeLayout<QHBoxLayout>("layout18_3", 0);
    textLabel3_2_4_3_3 = makeWidget<QLabel>(tab_6, "textLabel3_2_4_3_3");
    layout18_3->addWidget(textLabel3_2_4_3_3);
    lineCStaData = makeWidget<QLineEdit>(tab_6, "lineCStaData");
    layout18_3->addWidget(lineCStaData);
    pushCStaData = makeBrowseButton(tab_6, "pushCStaData");
    layout18_3->addWidget(pushCStaData);
    layout21->addLayout(layout18_3);
    tabLayout_6->addLayout(layout21);
    tabWidget4->addTab(tab_6, QString());
    layout24->addWidget(tabWidget4);

    layout3_2 = makeLayout<QHBoxLayout>("layout3_2", 0);
    combineSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    layout3_2->addItem(combineSpacer);
    pushCombine = makeWidget<QPushButton>(tab_4, "pushCombine");
    layout3_2->addWidget(pushCombine);
    layout24->addLayout(layout3_2);
    tabLayout_4->addLayout(layout24);
    tabWidget3->addTab(tab_4, QString());
}

void mainwindow::buildActions()
{
    const auto makeAction = [this](const char* name, const char* icon) {
        QAction* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        if (icon)
            action->setIcon(QIcon(pixmapFromSource(QLatin1String(icon))));
        return action;
    };
    fileNewAction = makeAction("fileNewAction", "filenew");
    fileOpenAction = makeAction("fileOpenAction", "fileopen");
    fileSaveAction = makeAction("fileSaveAction", "filesave");
    fileSaveAsAction = makeAction("fileSaveAsAction", nullptr);
    filePrintAction = makeAction("filePrintAction", "print");
    fileExitAction = makeAction("fileExitAction", nullptr);
    helpContentsAction = makeAction("helpContentsAction", nullptr);
    helpIndexAction = makeAction("helpIndexAction", nullptr);
    helpAboutAction = makeAction("helpAboutAction", nullptr);
}

// Menu bar items carry their numeric id in their data, so that the titles
// can be set by id.
void mainwindow::buildMenus()
{
    MenuBar = makeWidget<QMenuBar>(this, "MenuBar");
    setMenuBar(MenuBar);
    fileMenu = new QMenu(this);
    fileMenu->addAction(fileExitAction);
    MenuBar->addMenu(fileMenu)->setData(int(FileMenuItem));
    helpMenu = new QMenu(this);
    helpMenu->addAction(helpAboutAction);
    MenuBar->addMenu(helpMenu)->setData(int(HelpMenuItem));
}

QAction* mainwindow::menuBarItem(int id) const
{
    const QList<QAction*> items = MenuBar->actions();
    for (QAction* item : items) {
        if (item->data().toInt() == id)
            return item;
    }
    return nullptr;
}

void mainwindow::connectForm()
{
    connect(fileExitAction, &QAction::triggered, this, &mainwindow::fileExit);
    connect(helpAboutAction, &QAction::triggered, this, &mainwindow::helpAbout);
    connect(pushRefIdx, &QPushButton::clicked, this, &mainwindow::findRefIdx);
    connect(pushRefData, &QPushButton::clicked, this, &mainwindow::findRefData);
    connect(pushMapData, &QPushButton::clicked, this, &mainwindow::findMapMul);
    connect(pushOutDir, &QPushButton::clicked, this, &mainwindow::findOutputDir);
    connect(pushStaData, &QPushButton::clicked, this, &mainwindow::findStaMul);
    connect(pushStaIdx, &QPushButton::clicked, this, &mainwindow::findStaIdx);
    connect(tabWidget2, &QTabWidget::currentChanged, this,
            [this](int page) { tabChange(tabWidget2->widget(page)); });
    connect(pushGenerate, &QPushButton::clicked, this, &mainwindow::diffGenerate);
    connect(pushCombine, &QPushButton::clicked, this, &mainwindow::diffCombine);
    connect(pushDif, &QPushButton::clicked, this, &mainwindow::findDif);
    connect(pushDifi, &QPushButton::clicked, this, &mainwindow::findDifi);
    connect(pushDifl, &QPushButton::clicked, this, &mainwindow::findDifl);
    connect(tabWidget4, &QTabWidget::currentChanged, this,
            [this](int page) { tabCChange(tabWidget4->widget(page)); });
    connect(pushCMap, &QPushButton::clicked, this, &mainwindow::findCMapMul);
    connect(pushCStaData, &QPushButton::clicked, this, &mainwindow::findCStaMul);
    connect(pushCStaIdx, &QPushButton::clicked, this, &mainwindow::findCStaIdx);
}

void mainwindow::languageChange()
{
    setWindowTitle(tr("Quillmark"));
    groupBox3->setTitle(tr("Output Directory"));
    textLabel3_3->setText(tr("Directory"));
    pushOutDir->setText(tr("..."));
    textLabel4->setText(tr("Facet"));
    comboBox1->clear();
    comboBox1->addItem(tr("Felucca"));
    comboBox1->addItem(tr("Trammel"));
    comboBox1->addItem(tr("Ilshenar"));
    comboBox1->addItem(tr("Malas"));
    groupBox2->setTitle(tr("Reference Data"));
    pushRefIdx->setText(tr("..."));
    textLabel3_2->setText(tr("Data"));
    pushRefData->setText(tr("..."));
    textLabel3->setText(tr("Index"));
    textLabel3_2_3->setText(tr("Data"));
    pushMapData->setText(tr("..."));
    tabWidget2->setTabText(tabWidget2->indexOf(tab_2), tr("Map"));
    pushStaIdx->setText(tr("..."));
    textLabel3_2_2->setText(tr("Data"));
    pushStaData->setText(tr("..."));
    textLabel3_4->setText(tr("Index"));
    tabWidget2->setTabText(tabWidget2->indexOf(tab_3), tr("Statics"));
    pushGenerate->setText(tr("Generate"));
    tabWidget3->setTabText(tabWidget3->indexOf(tab), tr("Generate"));
    groupBox2_2->setTitle(tr("Dif Files"));
    textLabel3_2_4->setText(tr("Dif"));
    pushDif->setText(tr("..."));
    pushDifl->setText(tr("..."));
    pushDifi->setText(tr("..."));
    textLabel3_2_4_2->setText(tr("Difi"));
    textLabel3_5->setText(tr("Difl"));
    textLabel3_2_4_3->setText(tr("Map File"));
    pushCMap->setText(tr("..."));
    tabWidget4->setTabText(tabWidget4->indexOf(tab_5), tr("Map"));
    textLabel3_2_4_3_2->setText(tr("Index"));
    pushCStaIdx->setText(tr("..."));
    textLabel3_2_4_3_3->setText(tr("Data"));
    pushCStaData->setText(tr("..."));
    tabWidget4->setTabText(tabWidget4->indexOf(tab_6), tr("Statics"));
    pushCombine->setText(tr("Combine"));
    tabWidget3->setTabText(tabWidget3->indexOf(tab_4), tr("Combine"));

    const QKeySequence none{QString()};
    setActionTexts(fileNewAction, tr("New"), tr("&New"), QKeySequence(tr("Ctrl+N")));
    setActionTexts(fileOpenAction, tr("Open"), tr("&Open..."), QKeySequence(tr("Ctrl+O")));
    setActionTexts(fileSaveAction, tr("Generate"), tr("&Save"), QKeySequence(tr("Ctrl+S")));
    setActionTexts(fileSaveAsAction, tr("Save As"), tr("Save &As..."), none);
    setActionTexts(filePrintAction, tr("Print"), tr("&Print..."), QKeySequence(tr("Ctrl+P")));
    setActionTexts(fileExitAction, tr("Exit"), tr("E&xit"), none);
    setActionTexts(helpContentsAction, tr("Contents"), tr("&Contents..."), none);
    setActionTexts(helpIndexAction, tr("Index"), tr("&Index..."), none);
    setActionTexts(helpAboutAction, tr("About"), tr("&About"), none);

    if (QAction* item = menuBarItem(FileMenuItem))
        item->setText(tr("&File"));
    if (QAction* item = menuBarItem(HelpMenuItem))
        item->setText(tr("&Help"));
}
