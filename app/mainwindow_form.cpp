// The window's form is designed in mainwindow.ui and built by setupUi(). What
// follows finishes it where the designer's file cannot say things as this
// window has them, and sets the texts that do not come from the file.

#include "mainwindow.h"

#include "facets.h"
#include "imagesource.h"
#include "mergepage.h"

#include <QIcon>

void mainwindow::buildForm()
{
    setupUi(this);
    finishGroupRows();
    setActionIcons();
    adoptMenus();
    addMergePage();
    languageChange();
    // setupUi gave the window its designed size; each dimension grows to what
    // the layouts need with the texts in place.
    resize(size().expandedTo(minimumSizeHint()));
    connectPageSwitches();

    generateMode = false;
    combineMode = false;
}

// Each group box holds a column layout whose one item is a row, aligned to
// the top, with the group's content. The designer's file names every layout,
// but these two have no name; and uic cannot align a nested layout.
void mainwindow::finishGroupRows()
{
    const std::pair<QLayout*, QLayout*> groups[] = {{groupBox3Column, groupBox3Layout},
                                                    {groupBox2Column, groupBox2Layout},
                                                    {groupBox2_2Column, groupBox2_2Layout}};
    for (const auto& [column, row] : groups) {
        column->setObjectName(QString());
        row->setObjectName(QString());
        row->setAlignment(Qt::AlignTop);
    }
}

// The icons come from the embedded icon collection, which no resource file
// holds, so the designer's file cannot name them.
void mainwindow::setActionIcons()
{
    const std::pair<QAction*, const char*> icons[] = {{fileNewAction, "filenew"},
                                                      {fileOpenAction, "fileopen"},
                                                      {fileSaveAction, "filesave"},
                                                      {filePrintAction, "print"}};
    for (const auto& [action, name] : icons)
        action->setIcon(QIcon(pixmapFromSource(QLatin1String(name))));
}

// setupUi hangs the menus from the menu bar under the names the file gives
// them; they belong to the window, like every other object of the form, and
// have no object name.
void mainwindow::adoptMenus()
{
    for (QMenu* menu : {fileMenu, helpMenu}) {
        menu->setParent(this, menu->windowFlags());
        menu->setObjectName(QString());
    }
}

// Qt's tab widgets report the new page by its index; the window's handlers
// take the page itself. Made after the pages exist, so building the form runs
// neither handler.
void mainwindow::connectPageSwitches()
{
    connect(tabWidget2, &QTabWidget::currentChanged, this,
            [this](int page) { tabChange(tabWidget2->widget(page)); });
    connect(tabWidget4, &QTabWidget::currentChanged, this,
            [this](int page) { tabCChange(tabWidget4->widget(page)); });
}

// Every text of the designer's file, then what the file does not hold: the
// facet box, filled from the engine's facet table and refilled on every call
// so that it always holds the four facets with the first selected, and the
// menu titles.
void mainwindow::languageChange()
{
    retranslateUi(this);
    comboBox1->clear();
    using namespace quillmark;
    for (int facet = 0; facet < facets::WindowCount; ++facet)
        comboBox1->addItem(tr(facets::geometry(facet).name));
    fileMenu->setTitle(tr("&File"));
    helpMenu->setTitle(tr("&Help"));
    tabWidget3->setTabText(tabWidget3->indexOf(mergePage), tr("Merge"));
    mergePage->languageChange();
}
