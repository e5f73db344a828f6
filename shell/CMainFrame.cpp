#include "shell/CMainFrame.h"

#include <utility>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QVariant>
#include <QWidget>

#include "platform/ThreadCount.h"
#include "report/RunSummary.h"
#include "shell/CAboutDialog.h"
#include "shell/CParameterDialog.h"
#include "shell/CommandRunner.h"
#include "shell/MapView.h"
#include "shell/MessageBoxes.h"
#include "shell/QtUserInterface.h"
#include "shell/ResultsView.h"
#include "shell/RunSummaryFile.h"
#include "shell/ToolbarIcons.h"

namespace tavorin::shell {
namespace {

constexpr int kRecentFileCount = 4;
// Where the original framework kept its recent-file list, under the application's name.
constexpr const char* kSettingsOrganisation = "Local AppWizard-Generated Applications";
constexpr const char* kSettingsApplication = "TAVORIN";
constexpr const char* kRecentFileSection = "Recent File List";

QString Utf8(const char* text) { return QString::fromUtf8(text); }

}  // namespace

CMainFrame::CMainFrame(ShellCommands commands, RunOptions runOptions, QWidget* parent)
    : QMainWindow(parent), commands_(std::move(commands)), runOptions_(runOptions) {
    // Evaluations run side by side on every core; the results do not depend on it.
    runOptions_.threads = platform::DefaultThreadCount();

    setWindowTitle(Utf8(kTitle));
    setWindowIcon(ApplicationIcon());
    CreateWidgets();
    CreateActions();
    CreateMenus();
    CreateToolbar();
    CreateStatusbar();
    LoadRecentFiles();
    RebuildRecentFilesMenu();
    resize(640, 480);
}

CMainFrame::~CMainFrame() {
    // A running command cannot be interrupted: wait for it while the user interface it
    // reports to still exists.
    delete runner_;
    runner_ = nullptr;
}

bool CMainFrame::IsCommandRunning() const { return runner_->IsRunning(); }

void CMainFrame::CreateWidgets() {
    // The view: an empty white area until a run is shown.
    results_ = new ResultsView(this);
    results_->setObjectName(QStringLiteral("view"));
    setCentralWidget(results_);
    connect(results_, &ResultsView::runShown, this, &CMainFrame::OnRunShown);
    connect(results_, &ResultsView::runFailed, this, &CMainFrame::OnRunFailed);
    connect(results_, &ResultsView::pixelText, this, &CMainFrame::OnPixelText);
    connect(results_, &ResultsView::exportFinished, this,
            [this](bool written, const QString& message) {
                if (written)
                    statusBar()->showMessage(message, 10000);
                else
                    ShowMessageBox(this, message);
            });

    userInterface_ = std::make_unique<QtUserInterface>(this);
    runner_ = new CommandRunner(this);
    connect(runner_, &CommandRunner::runningChanged, this, &CMainFrame::OnRunningChanged);
}

QAction* CMainFrame::MakeAction(const char* caption, const char* prompt) {
    auto* action = new QAction(Utf8(caption), this);
    if (prompt != nullptr) {
        // The prompt shows in the status bar; the part after the line break is the tool tip.
        const QString text = Utf8(prompt);
        const qsizetype lineBreak = text.indexOf(QLatin1Char('\n'));
        action->setStatusTip(lineBreak < 0 ? text : text.left(lineBreak));
        if (lineBreak >= 0) action->setToolTip(text.mid(lineBreak + 1));
    }
    return action;
}

void CMainFrame::CreateActions() {
    newAction_ = MakeAction("New", "建立新文档\n新建");
    newAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    newAction_->setIcon(ToolbarIcon(ToolbarPicture::New));
    connect(newAction_, &QAction::triggered, this, &CMainFrame::OnFileNew);

    openAction_ = MakeAction("Open", "打开一个现有文档\n打开");
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    openAction_->setIcon(ToolbarIcon(ToolbarPicture::Open));
    connect(openAction_, &QAction::triggered, this, &CMainFrame::OnFileOpen);

    saveAction_ = MakeAction("Save", "保存活动文档\n保存");
    saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAction_->setIcon(ToolbarIcon(ToolbarPicture::Save));
    connect(saveAction_, &QAction::triggered, this, &CMainFrame::OnFileSave);

    saveAsAction_ = MakeAction("Save As", "将活动文档以一个新文件名保存\n另存为");
    connect(saveAsAction_, &QAction::triggered, this, &CMainFrame::OnFileSaveAs);

    printAction_ = MakeAction("Print", "打印活动文档\n打印");
    printAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    printAction_->setIcon(ToolbarIcon(ToolbarPicture::Print));
    connect(printAction_, &QAction::triggered, this, &CMainFrame::OnFilePrint);

    printPreviewAction_ = MakeAction("Print View", "显示整页\n打印预览");
    connect(printPreviewAction_, &QAction::triggered, this, &CMainFrame::OnFilePrintPreview);

    printSetupAction_ = MakeAction("Print Setup", "改变打印机及打印选项\n打印设置");
    connect(printSetupAction_, &QAction::triggered, this, &CMainFrame::OnFilePrintSetup);

    recentFilesPlaceholder_ = MakeAction("Recent Files", "打开该文档");
    recentFilesPlaceholder_->setEnabled(false);

    exitAction_ = MakeAction("Exit", "退出应用程序；提示保存文档\n退出");
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);

    // The Edit commands have no handler in this application: they stay disabled.
    undoAction_ = MakeAction("Undo", "撤消最后一步操作\n撤消");
    undoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    cutAction_ = MakeAction("Cut", "剪切被选对象并将其置于剪贴板上\n剪切");
    cutAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    cutAction_->setIcon(ToolbarIcon(ToolbarPicture::Cut));
    copyAction_ = MakeAction("Copy", "复制被选对象并将其置于剪贴板上\n复制");
    copyAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    copyAction_->setIcon(ToolbarIcon(ToolbarPicture::Copy));
    pasteAction_ = MakeAction("Paste", "插入剪贴板内容\n粘贴");
    pasteAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    pasteAction_->setIcon(ToolbarIcon(ToolbarPicture::Paste));
    for (QAction* action : {undoAction_, cutAction_, copyAction_, pasteAction_})
        action->setEnabled(false);

    toolBarAction_ = MakeAction("Tools(&T)", "显示或隐藏工具栏\n显隐工具栏");
    toolBarAction_->setCheckable(true);
    toolBarAction_->setChecked(true);
    statusBarAction_ = MakeAction("State", "显示或隐藏状态栏\n显隐状态栏");
    statusBarAction_->setCheckable(true);
    statusBarAction_->setChecked(true);
    connect(statusBarAction_, &QAction::toggled, this,
            [this](bool visible) { statusBar()->setVisible(visible); });

    // The view's own commands, after the stated ones of the View menu.
    fitAction_ = MakeAction("Fit Map to Window", "Show the whole map\nFit");
    connect(fitAction_, &QAction::triggered, this, [this] { results_->mapView()->FitToWindow(); });
    exportGeoTiffAction_ =
        MakeAction("Export Map as GeoTIFF...", "Write the shown map as a GeoTIFF\nExport GeoTIFF");
    connect(exportGeoTiffAction_, &QAction::triggered, this, &CMainFrame::OnExportGeoTiff);
    exportPngAction_ =
        MakeAction("Export Map as PNG...", "Write the shown map as a PNG\nExport PNG");
    connect(exportPngAction_, &QAction::triggered, this, &CMainFrame::OnExportPng);
    for (QAction* action : {fitAction_, exportGeoTiffAction_, exportPngAction_})
        action->setEnabled(false);
    connect(results_, &ResultsView::shownMapChanged, this, [this] {
        fitAction_->setEnabled(results_->HasRun());
        exportGeoTiffAction_->setEnabled(results_->HasShownMap());
        exportPngAction_->setEnabled(results_->HasShownMap());
    });

    aboutAction_ = MakeAction("About TAVORIN(&A)...", "显示程序信息，版本号和版权\n关于");
    aboutAction_->setIcon(ToolbarIcon(ToolbarPicture::About));
    connect(aboutAction_, &QAction::triggered, this, &CMainFrame::OnAbout);

    classifyAction_ = MakeAction("QUELDRA", nullptr);
    classifyAction_->setObjectName(QStringLiteral("classify"));
    connect(classifyAction_, &QAction::triggered, this, &CMainFrame::OnClassify);
    runFcmAction_ = MakeAction("", nullptr);
    runFcmAction_->setObjectName(QStringLiteral("runFcm"));
    connect(runFcmAction_, &QAction::triggered, this, &CMainFrame::OnRunFcm);

    // Next and previous pane: the single view has no panes, so they do nothing.
    nextPaneAction_ = MakeAction("", "切换到下一个窗格\n下一窗格");
    nextPaneAction_->setShortcut(QKeySequence(Qt::Key_F6));
    previousPaneAction_ = MakeAction("", "切换回前一个窗格\n前一窗格");
    previousPaneAction_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    addAction(nextPaneAction_);
    addAction(previousPaneAction_);
}

void CMainFrame::CreateMenus() {
    fileMenu_ = menuBar()->addMenu(Utf8("File(&F)"));
    fileMenu_->addAction(newAction_);
    fileMenu_->addAction(openAction_);
    fileMenu_->addAction(saveAction_);
    fileMenu_->addAction(saveAsAction_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(printAction_);
    fileMenu_->addAction(printPreviewAction_);
    fileMenu_->addAction(printSetupAction_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(recentFilesPlaceholder_);
    exitSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);

    QMenu* editMenu = menuBar()->addMenu(Utf8("Edit(&E)"));
    editMenu->addAction(undoAction_);
    editMenu->addSeparator();
    editMenu->addAction(cutAction_);
    editMenu->addAction(copyAction_);
    editMenu->addAction(pasteAction_);

    QMenu* viewMenu = menuBar()->addMenu(Utf8("View(&V)"));
    viewMenu->addAction(toolBarAction_);
    viewMenu->addAction(statusBarAction_);
    viewMenu->addSeparator();
    viewMenu->addAction(fitAction_);
    viewMenu->addAction(exportGeoTiffAction_);
    viewMenu->addAction(exportPngAction_);

    QMenu* helpMenu = menuBar()->addMenu(Utf8("Help(&H)"));
    helpMenu->addAction(aboutAction_);

    QMenu* classificationMenu = menuBar()->addMenu(Utf8("unsupervised classification"));
    classificationMenu->addAction(classifyAction_);
    classificationMenu->addAction(runFcmAction_);
}

void CMainFrame::CreateToolbar() {
    toolBar_ = new QToolBar(QStringLiteral("TAVORIN"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(16, 15));
    toolBar_->setMovable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->addAction(newAction_);
    toolBar_->addAction(openAction_);
    toolBar_->addAction(saveAction_);
    toolBar_->addSeparator();
    toolBar_->addAction(cutAction_);
    toolBar_->addAction(copyAction_);
    toolBar_->addAction(pasteAction_);
    toolBar_->addSeparator();
    toolBar_->addAction(printAction_);
    toolBar_->addSeparator();
    toolBar_->addAction(aboutAction_);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    connect(toolBarAction_, &QAction::toggled, toolBar_, &QToolBar::setVisible);
    // The tool bar can also be hidden from its context menu; the View item follows.
    connect(toolBar_, &QToolBar::visibilityChanged, toolBarAction_, &QAction::setChecked);
}

void CMainFrame::CreateStatusbar() {
    QStatusBar* bar = statusBar();
    // The message pane: "就绪" while idle, hidden by the prompt of the hovered command.
    auto* idle = new QLabel(Utf8(kIdleText), bar);
    idle->setObjectName(QStringLiteral("idleText"));
    bar->addWidget(idle, 1);
    for (const char* indicator : {"大写", "数字", "滚动"}) {
        auto* pane = new QLabel(Utf8(indicator), bar);
        pane->setObjectName(QStringLiteral("indicator"));
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        // The lock keys' state cannot be read portably; the panes are shown dimmed.
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
}

void CMainFrame::OnRunningChanged(bool running) {
    classifyAction_->setEnabled(!running);
    runFcmAction_->setEnabled(!running);
    if (running || pendingSummary_.isEmpty()) return;
    // A classification that finished is shown and remembered.
    const QString summary = std::exchange(pendingSummary_, QString());
    const bool finished = pendingFinished_ && pendingFinished_->load();
    pendingFinished_.reset();
    if (finished && QFileInfo(summary).isFile()) OpenDocument(summary);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A command cannot be interrupted, and the original window did not respond while one
    // ran: the window stays open until it ends.
    if (runner_->IsRunning()) {
        QApplication::beep();
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::OnClassify() {
    if (runner_->IsRunning()) return;
    // A new dialog for every run, so every run starts from the defaults.
    CParameterDialog dialog(this);
    if (dialog.DoModal() != QDialog::Accepted) return;
    const RunParameters parameters = dialog.parameters();
    const RunOptions options = runOptions_;
    auto classify = commands_.classify;
    auto finished = std::make_shared<std::atomic<bool>>(false);
    pendingSummary_ = QString::fromStdString(RunSummaryPath(parameters.outputPath));
    pendingFinished_ = finished;
    runner_->Start(
        [classify, parameters, options, finished] { *finished = classify(parameters, options); });
}

void CMainFrame::OnRunFcm() {
    if (runner_->IsRunning()) return;
    runner_->Start(commands_.runFcm);
}

void CMainFrame::OnAbout() {
    CAboutDialog dialog(this);
    dialog.DoModal();
}

void CMainFrame::OnFileNew() {
    document_.OnNewDocument();
    results_->Clear();
    // The caption never shows a document name.
    setWindowTitle(Utf8(kTitle));
}

void CMainFrame::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(
        this, Utf8("打开"), QString(),
        QStringLiteral("Run summaries (*_summary.json);;All files (*)"));
    if (!path.isEmpty()) OpenDocument(path);
}

void CMainFrame::OpenDocument(const QString& path) {
    if (!document_.OnOpenDocument(path)) {
        ShowMessageBox(this, Utf8("无法打开文档 ") + path);
        RemoveRecentFile(path);
        return;
    }
    setWindowTitle(Utf8(kTitle));
    AddRecentFile(path);
    if (IsRunSummaryPath(path))
        results_->OpenRun(path);
    else
        results_->Clear();
}

void CMainFrame::OnRunShown(const QString&) { setWindowTitle(Utf8(kTitle)); }

void CMainFrame::OnRunFailed(const QString& path) { RemoveRecentFile(path); }

void CMainFrame::RemoveRecentFile(const QString& path) {
    recentFiles_.removeAll(path);
    recentFiles_.removeAll(QFileInfo(path).absoluteFilePath());
    SaveRecentFiles();
    RebuildRecentFilesMenu();
}

void CMainFrame::OnPixelText(const QString& text) {
    // The message pane, as a command's prompt uses it; "就绪" shows again when it is cleared.
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text);
}

void CMainFrame::OnExportGeoTiff() {
    if (!results_->HasShownMap()) return;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export Map as GeoTIFF"), QString(),
                                     QStringLiteral("GeoTIFF (*.tif *.tiff)"));
    if (!path.isEmpty()) results_->ExportShownMap(path, MapExportFormat::GeoTiff);
}

void CMainFrame::OnExportPng() {
    if (!results_->HasShownMap()) return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Map as PNG"),
                                                      QString(), QStringLiteral("PNG (*.png)"));
    if (!path.isEmpty()) results_->ExportShownMap(path, MapExportFormat::Png);
}

void CMainFrame::OnFileSave() {
    if (document_.pathName().isEmpty()) {
        OnFileSaveAs();
        return;
    }
    SaveDocumentAs(document_.pathName());
}

void CMainFrame::OnFileSaveAs() {
    const QString path =
        QFileDialog::getSaveFileName(this, Utf8("另存为"), QStringLiteral("TAVORI"));
    if (!path.isEmpty()) SaveDocumentAs(path);
}

bool CMainFrame::SaveDocumentAs(const QString& path) {
    if (!document_.OnSaveDocument(path)) {
        ShowMessageBox(this, Utf8("无法保存文档 ") + path);
        return false;
    }
    AddRecentFile(path);
    return true;
}

QPrinter& CMainFrame::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    return *printer_;
}

void CMainFrame::OnFilePrint() {
    QPrintDialog dialog(&Printer(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The view draws nothing: one empty page.
    QPainter painter(&Printer());
}

void CMainFrame::OnFilePrintPreview() {
    QPrintPreviewDialog preview(&Printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [](QPrinter* printer) { QPainter painter(printer); });
    preview.exec();
}

void CMainFrame::OnFilePrintSetup() {
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}

void CMainFrame::AddRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recentFiles_.removeAll(absolute);
    recentFiles_.prepend(absolute);
    while (recentFiles_.size() > kRecentFileCount) recentFiles_.removeLast();
    SaveRecentFiles();
    RebuildRecentFilesMenu();
}

void CMainFrame::LoadRecentFiles() {
    QSettings settings(Utf8(kSettingsOrganisation), Utf8(kSettingsApplication));
    settings.beginGroup(Utf8(kRecentFileSection));
    recentFiles_.clear();
    for (int index = 1; index <= kRecentFileCount; ++index) {
        const QString path = settings.value(QStringLiteral("File%1").arg(index)).toString();
        if (!path.isEmpty()) recentFiles_.append(path);
    }
}

void CMainFrame::SaveRecentFiles() const {
    QSettings settings(Utf8(kSettingsOrganisation), Utf8(kSettingsApplication));
    settings.beginGroup(Utf8(kRecentFileSection));
    for (int index = 1; index <= kRecentFileCount; ++index) {
        const QString key = QStringLiteral("File%1").arg(index);
        if (index <= recentFiles_.size())
            settings.setValue(key, recentFiles_[index - 1]);
        else
            settings.remove(key);
    }
}

void CMainFrame::RebuildRecentFilesMenu() {
    for (QAction* action : recentFileActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentFileActions_.clear();
    // While the list is empty its place shows the disabled "Recent Files".
    recentFilesPlaceholder_->setVisible(recentFiles_.isEmpty());
    for (int index = 0; index < recentFiles_.size(); ++index) {
        const QString path = recentFiles_[index];
        auto* action = MakeAction("", "打开该文档");
        QString shown = path;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));  // not a mnemonic
        action->setText(QStringLiteral("&%1 %2").arg(index + 1).arg(shown));
        connect(action, &QAction::triggered, this, [this, path] { OpenDocument(path); });
        fileMenu_->insertAction(exitSeparator_, action);
        recentFileActions_.append(action);
    }
}

}  // namespace tavorin::shell
