#pragma once

#include <atomic>
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
class ResultsView;

// The main window: caption "   QUELDRA   ", the menus File, Edit, View, Help and
// "unsupervised classification", the tool bar and the status bar. Its own commands are
// "QUELDRA" (the classification) and the item with the empty caption (the stand-alone fuzzy
// c-means); both run on a worker thread and are disabled until the running one ends. The view
// shows the results of the run that finished last or was opened from its summary.
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
    ResultsView& results() const { return *results_; }
    QAction* exportGeoTiffAction() const { return exportGeoTiffAction_; }
    QAction* exportPngAction() const { return exportPngAction_; }

    // File Open of a file: a run summary ("*_summary.json") is shown in the view; any other
    // file is opened as the empty document. Either is added to the recent-file list.
    void OpenDocument(const QString& path);

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
    void OnExportGeoTiff();
    void OnExportPng();

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
    void OnRunShown(const QString& path);
    void OnRunFailed(const QString& path);
    void OnPixelText(const QString& text);
    void RemoveRecentFile(const QString& path);
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
    ResultsView* results_ = nullptr;
    // The summary the running classification writes, shown when it finishes.
    QString pendingSummary_;
    std::shared_ptr<std::atomic<bool>> pendingFinished_;

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
    QAction* fitAction_ = nullptr;
    QAction* exportGeoTiffAction_ = nullptr;
    QAction* exportPngAction_ = nullptr;
    QAction* nextPaneAction_ = nullptr;
    QAction* previousPaneAction_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentFilesPlaceholder_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    QList<QAction*> recentFileActions_;
    QToolBar* toolBar_ = nullptr;
};

}  // namespace tavorin::shell
