#pragma once

// The main window with its slots replaced by a call log, so that a test can
// press every button and trigger every action without opening a dialog or
// running a job, and with its layout members reachable by name.

#include "app/mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QStringList>
#include <QTabWidget>

class FormWindow : public mainwindow
{
public:
    QStringList calls;

    void fileExit() override { calls << "fileExit"; }
    void helpAbout() override { calls << "helpAbout"; }
    void findRefIdx() override { calls << "findRefIdx"; }
    void findRefData() override { calls << "findRefData"; }
    void findDif() override { calls << "findDif"; }
    void findDifl() override { calls << "findDifl"; }
    void findDifi() override { calls << "findDifi"; }
    void findOutputDir() override { calls << "findOutputDir"; }
    void findStaMul() override { calls << "findStaMul"; }
    void findCStaMul() override { calls << "findCStaMul"; }
    void findStaIdx() override { calls << "findStaIdx"; }
    void findCStaIdx() override { calls << "findCStaIdx"; }
    void findMapMul() override { calls << "findMapMul"; }
    void findCMapMul() override { calls << "findCMapMul"; }
    void diffGenerate() override { calls << "diffGenerate"; }
    void diffCombine() override { calls << "diffCombine"; }
    // The page switches keep their effect, so that screenshots show the
    // enabled rows of each page.
    void tabChange(QWidget* widget) override
    {
        calls << "tabChange " + (widget ? widget->objectName() : QStringLiteral("null"));
        mainwindow::tabChange(widget);
    }
    void tabCChange(QWidget* widget) override
    {
        calls << "tabCChange " + (widget ? widget->objectName() : QStringLiteral("null"));
        mainwindow::tabCChange(widget);
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
