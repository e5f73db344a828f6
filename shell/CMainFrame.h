#pragma once

#include <memory>

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include "driver/CClassificationDriver.h"
#include "shell/CTAVORINDoc.h"
#include "shell/ShellCommands.h"

class QAction;
class QCloseEvent;
class QLabel;
class QMenu;
class QPrinter;
class QToolBar;

namespace tavorin::shell {

class CommandRunner;
class QtUserInterface;

// The main window: caption "   QUELDRA   ", the menus File, Edit, View, Help and
// "unsupervised classification", the tool bar and the status bar. Its own commands are
// "QUELDRA" (the classification) and the item with the empty caption (the stand-alone fuzzy
// c-means); both run on a worker thread and are disabled until the running one ends.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "   QUELDRA   ";
    static constexpr const char* kIdleText = "就绪";

    // `runOptions` are passed to every classification (the thread count is set to all cores).
    explicit CMainFrame(ShellCommands commands = DefaultShellCommands(), RunOptions runOptions = {},
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    QAction* classifyAction() const { return classifyAction_; }
    QAction* runFcmAction() const { return runFcmAction_; }
    QToolBar* toolBar() const { return toolBar_; }
    QtUserInterface& userInterface() const { return *userInterface_; }
    bool IsCommandRunning() const;
    const CTAVORINDoc& document() const { return document_; }

  public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnAbout();
    void OnClassify();
    void OnRunFcm();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateWidgets();
    void CreateActions();
    void CreateMenus();
    void CreateToolbar();
    void CreateStatusbar();

    QAction* MakeAction(const char* caption, const char* prompt);
    void OnRunningChanged(bool running);
    void OpenDocument(const QString& path);
    bool SaveDocumentAs(const QString& path);
    void AddRecentFile(const QString& path);
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    void RebuildRecentFilesMenu();
    QPrinter& Printer();

    ShellCommands commands_;
    RunOptions runOptions_;
    CTAVORINDoc document_;
    QStringList recentFiles_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QtUserInterface> userInterface_;
    CommandRunner* runner_ = nullptr;

    QAction* newAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* printPreviewAction_ = nullptr;
    QAction* printSetupAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* cutAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* pasteAction_ = nullptr;
    QAction* toolBarAction_ = nullptr;
    QAction* statusBarAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* classifyAction_ = nullptr;
    QAction* runFcmAction_ = nullptr;
    QAction* nextPaneAction_ = nullptr;
    QAction* previousPaneAction_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentFilesPlaceholder_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    QList<QAction*> recentFileActions_;
    QToolBar* toolBar_ = nullptr;
};

}  // namespace tavorin::shell
