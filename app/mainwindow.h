#pragma once

#include <QMainWindow>

#include <functional>

class QAction;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QSpacerItem;
class QTabWidget;
class QVBoxLayout;

class JobProgress;
struct JobOutcome;

// The main window: the output group, the Generate and Combine pages, and the
// four jobs run from them. Every widget, layout, action and menu is a child of
// the window, held in a plain pointer and destroyed with it.
class mainwindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit mainwindow(QWidget* parent = nullptr, const char* name = nullptr,
                        Qt::WindowFlags fl = Qt::Window);
    ~mainwindow() override;

    QGroupBox* groupBox3;
    QLabel* textLabel3_3;
    QLineEdit* lineOutDir;
    QPushButton* pushOutDir;
    QLabel* textLabel4;
    QComboBox* comboBox1;
    QTabWidget* tabWidget3;
    QWidget* tab;
    QGroupBox* groupBox2;
    QPushButton* pushRefIdx;
    QLineEdit* lineRefIdx;
    QLineEdit* lineRefData;
    QLabel* textLabel3_2;
    QPushButton* pushRefData;
    QLabel* textLabel3;
    QTabWidget* tabWidget2;
    QWidget* tab_2;
    QLabel* textLabel3_2_3;
    QLineEdit* lineMapMul;
    QPushButton* pushMapData;
    QWidget* tab_3;
    QPushButton* pushStaIdx;
    QLineEdit* lineStaIdx;
    QLineEdit* lineStaMul;
    QLabel* textLabel3_2_2;
    QPushButton* pushStaData;
    QLabel* textLabel3_4;
    QPushButton* pushGenerate;
    QWidget* tab_4;
    QGroupBox* groupBox2_2;
    QLabel* textLabel3_2_4;
    QPushButton* pushDif;
    QPushButton* pushDifl;
    QLineEdit* lineDif;
    QPushButton* pushDifi;
    QLineEdit* lineDifl;
    QLineEdit* lineDifi;
    QLabel* textLabel3_2_4_2;
    QLabel* textLabel3_5;
    QTabWidget* tabWidget4;
    QWidget* tab_5;
    QLabel* textLabel3_2_4_3;
    QLineEdit* lineCMap;
    QPushButton* pushCMap;
    QWidget* tab_6;
    QLabel* textLabel3_2_4_3_2;
    QLineEdit* lineCStaIdx;
    QPushButton* pushCStaIdx;
    QLabel* textLabel3_2_4_3_3;
    QLineEdit* lineCStaData;
    QPushButton* pushCStaData;
    QPushButton* pushCombine;
    QMenuBar* MenuBar;
    QMenu* fileMenu;
    QMenu* helpMenu;
    QAction* fileNewAction;
    QAction* fileOpenAction;
    QAction* fileSaveAction;
    QAction* fileSaveAsAction;
    QAction* filePrintAction;
    QAction* fileExitAction;
    QAction* helpContentsAction;
    QAction* helpIndexAction;
    QAction* helpAboutAction;

    // false: the side's "Map" page is current; true: its "Statics" page.
    bool generateMode;
    bool combineMode;

    virtual bool mapDiffGenerate();
    virtual bool staticsDiffGenerate();
    virtual bool mapDiffCombine();
    virtual bool staticsDiffCombine();

public slots:
    virtual void fileExit();
    virtual void helpAbout();
    virtual void findRefIdx();
    virtual void findRefData();
    virtual void findDif();
    virtual void findDifl();
    virtual void findDifi();
    virtual void findOutputDir();
    virtual void findStaMul();
    virtual void findCStaMul();
    virtual void findStaIdx();
    virtual void findCStaIdx();
    virtual void findMapMul();
    virtual void findCMapMul();
    virtual void tabChange(QWidget* widget);
    virtual void tabCChange(QWidget* widget);
    virtual void diffGenerate();
    virtual void diffCombine();

protected:
    QHBoxLayout* mainwindowLayout;
    QVBoxLayout* layout25;
    QHBoxLayout* groupBox3Layout;
    QVBoxLayout* layout13;
    QGridLayout* layout2;
    QHBoxLayout* layout12;
    QSpacerItem* facetSpacer;
    QHBoxLayout* tabLayout;
    QVBoxLayout* layout15;
    QHBoxLayout* groupBox2Layout;
    QGridLayout* layout1;
    QHBoxLayout* tabLayout_2;
    QVBoxLayout* layout8;
    QSpacerItem* mapTopSpacer;
    QHBoxLayout* layout6;
    QSpacerItem* mapBottomSpacer;
    QHBoxLayout* tabLayout_3;
    QGridLayout* layout1_2;
    QHBoxLayout* layout3;
    QSpacerItem* generateSpacer;
    QHBoxLayout* tabLayout_4;
    QVBoxLayout* layout24;
    QHBoxLayout* groupBox2_2Layout;
    QGridLayout* layout26;
    QHBoxLayout* tabLayout_5;
    QHBoxLayout* layout18;
    QHBoxLayout* tabLayout_6;
    QVBoxLayout* layout21;
    QHBoxLayout* layout18_2;
    QHBoxLayout* layout18_3;
    QHBoxLayout* layout3_2;
    QSpacerItem* combineSpacer;

    // Closing the window during a run stops the run; it leaves no output.
    void closeEvent(QCloseEvent* event) override;

protected slots:
    virtual void languageChange();

private:
    void buildForm();
    void buildOutputGroup();
    void buildGeneratePage();
    void buildCombinePage();
    void buildActions();
    void buildMenus();
    void connectForm();
    QAction* menuBarItem(int id) const;

    void pickFile(QLineEdit* field, const QString& caption);
    bool runWorker(const std::function<JobOutcome(JobProgress&)>& job);

    bool m_running = false;
    bool m_stopRequested = false;
};
