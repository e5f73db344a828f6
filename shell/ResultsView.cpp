#include "shell/ResultsView.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include <QAbstractItemView>
#include <QColor>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/NumberText.h"
#include "shell/FrontPlotWidget.h"
#include "shell/MapView.h"
#include "shell/MessageBoxes.h"
#include "shell/PixelReadout.h"

namespace tavorin::shell {
namespace {

constexpr std::chrono::milliseconds kReadingNoticeDelay{300};

QString Text(const std::string& text) { return QString::fromStdString(text); }

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString NumberCell(double value, int digits) {
    return Text(platform::formatGeneral(value, digits));
}

QString ParametersText(const RunSummaryFile& summary) {
    QString text = QStringLiteral("Input: %1 (%2 × %3 pixels, %4 bands)")
                       .arg(summary.inputPath)
                       .arg(summary.samples)
                       .arg(summary.lines)
                       .arg(summary.bands);
    text += QStringLiteral("\nK = %1, population %2, %3 generations, FLS %4")
                .arg(summary.clusterNumber)
                .arg(summary.popSize)
                .arg(summary.iGenerations)
                .arg(Text(platform::formatGeneral(summary.fls, 6)));
    if (summary.seed) text += QStringLiteral(", seed %1").arg(*summary.seed);
    return text;
}

// A share in percent with two decimals; a class too small to show there is "< 0.01%".
QString ShareText(long long pixels, double share) {
    if (pixels > 0 && share < 0.00005) return QStringLiteral("< 0.01%");
    return QString::number(share * 100.0, 'f', 2) + QLatin1Char('%');
}

RasterLayer LayerOf(const QImage& overview, int step, const QImage& full) {
    return RasterLayer{overview, step, full};
}

}  // namespace

ResultsView::ResultsView(QWidget* parent) : QWidget(parent) {
    loader_ = new RunLoader(this);
    connect(loader_, &RunLoader::summaryLoaded, this, &ResultsView::ShowSummary,
            Qt::QueuedConnection);
    connect(loader_, &RunLoader::summaryFailed, this, &ResultsView::ShowSummaryFailure,
            Qt::QueuedConnection);
    connect(loader_, &RunLoader::inputLoaded, this, &ResultsView::ShowInput, Qt::QueuedConnection);
    connect(loader_, &RunLoader::inputFailed, this, &ResultsView::ShowInputFailure,
            Qt::QueuedConnection);
    connect(loader_, &RunLoader::mapLoaded, this, &ResultsView::ShowMap, Qt::QueuedConnection);
    connect(loader_, &RunLoader::mapFailed, this, &ResultsView::ShowMapFailure,
            Qt::QueuedConnection);
    connect(loader_, &RunLoader::exportFinished, this, &ResultsView::exportFinished,
            Qt::QueuedConnection);
    CreateWidgets();
}

ResultsView::~ResultsView() {
    // The loader's requests end before the widgets they report to.
    delete loader_;
    loader_ = nullptr;
}

void ResultsView::CreateWidgets() {
    pages_ = new QStackedLayout(this);
    // Without a run the view is the empty white area it always was.
    auto* empty = new QWidget(this);
    empty->setAutoFillBackground(true);
    QPalette white = empty->palette();
    white.setColor(QPalette::Window, Qt::white);
    empty->setPalette(white);
    pages_->addWidget(empty);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("results"));

    auto* left = new QSplitter(Qt::Vertical, splitter);
    auto* plotPanel = new QWidget(left);
    auto* plotLayout = new QVBoxLayout(plotPanel);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    frontPlot_ = new FrontPlotWidget(plotPanel);
    frontPlot_->setObjectName(QStringLiteral("frontPlot"));
    notPlotted_ = new QLabel(plotPanel);
    notPlotted_->setObjectName(QStringLiteral("notPlotted"));
    notPlotted_->setWordWrap(true);
    notPlotted_->setVisible(false);
    parameters_ = new QLabel(plotPanel);
    parameters_->setObjectName(QStringLiteral("parameters"));
    parameters_->setWordWrap(true);
    parameters_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    plotLayout->addWidget(frontPlot_, 1);
    plotLayout->addWidget(notPlotted_);
    plotLayout->addWidget(parameters_);

    memberTable_ = new QTableWidget(0, 4, left);
    memberTable_->setObjectName(QStringLiteral("members"));
    memberTable_->setHorizontalHeaderLabels({QStringLiteral("Image"), QStringLiteral("File"),
                                             QStringLiteral("xbIndex"), QStringLiteral("jm")});
    memberTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    memberTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    memberTable_->verticalHeader()->setVisible(false);
    // The file names take the room the numbers leave.
    memberTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    memberTable_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    memberTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    left->addWidget(plotPanel);
    left->addWidget(memberTable_);
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 2);

    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* controls = new QHBoxLayout();
    auto* opacityLabel = new QLabel(QStringLiteral("Map opacity"), right);
    opacity_ = new QSlider(Qt::Horizontal, right);
    opacity_->setObjectName(QStringLiteral("opacity"));
    opacity_->setRange(0, 100);
    opacity_->setValue(60);
    opacityLabel->setBuddy(opacity_);
    fit_ = new QPushButton(QStringLiteral("Fit"), right);
    fit_->setObjectName(QStringLiteral("fit"));
    fit_->setToolTip(QStringLiteral("Show the whole map"));
    controls->addWidget(opacityLabel);
    controls->addWidget(opacity_, 1);
    controls->addWidget(fit_);
    mapView_ = new MapView(right);
    mapView_->setObjectName(QStringLiteral("map"));
    mapView_->SetOpacity(0.6);
    legendTable_ = new QTableWidget(0, 4, right);
    legendTable_->setObjectName(QStringLiteral("legend"));
    legendTable_->setHorizontalHeaderLabels({QStringLiteral("Class"), QStringLiteral("Pixels"),
                                             QStringLiteral("Share"), QStringLiteral("Area")});
    legendTable_->verticalHeader()->setVisible(false);
    legendTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    legendTable_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    legendTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    legendTable_->setSelectionMode(QAbstractItemView::NoSelection);
    legendTable_->setFocusPolicy(Qt::NoFocus);
    rightLayout->addLayout(controls);
    rightLayout->addWidget(mapView_, 1);
    rightLayout->addWidget(legendTable_);
    legendTable_->setMaximumHeight(170);

    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    pages_->addWidget(splitter);

    connect(frontPlot_, &FrontPlotWidget::memberClicked, this, &ResultsView::SelectMember);
    connect(frontPlot_, &FrontPlotWidget::stepRequested, this, &ResultsView::StepMember);
    connect(mapView_, &MapView::stepRequested, this, &ResultsView::StepMember);
    connect(memberTable_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (updatingSelection_) return;
        const QList<QTableWidgetItem*> items = memberTable_->selectedItems();
        if (!items.isEmpty()) SelectMember(items.front()->row());
    });
    connect(opacity_, &QSlider::valueChanged, this,
            [this](int value) { mapView_->SetOpacity(value / 100.0); });
    connect(fit_, &QPushButton::clicked, mapView_, &MapView::FitToWindow);
    connect(mapView_, &MapView::pixelHovered, this, &ResultsView::ReportPixel);
    connect(mapView_, &MapView::pixelLeft, this, [this] { emit pixelText(QString()); });
}

void ResultsView::OpenRun(const QString& path) {
    Clear();
    summaryPending_ = true;
    generation_ = loader_->LoadSummary(path);
}

void ResultsView::Clear() {
    loader_->Cancel();
    summary_.reset();
    input_.reset();
    shownMap_.reset();
    selected_ = -1;
    summaryPending_ = inputPending_ = mapPending_ = false;
    frontPlot_->SetFront({});
    memberTable_->setRowCount(0);
    legendTable_->setRowCount(0);
    notPlotted_->clear();
    notPlotted_->setVisible(false);
    parameters_->clear();
    mapView_->Clear();
    pages_->setCurrentIndex(0);
    emit shownMapChanged();
}

bool ResultsView::IsLoading() const { return summaryPending_ || inputPending_ || mapPending_; }

void ResultsView::CheckLoadingFinished() {
    if (!IsLoading()) emit loadingFinished();
}

void ResultsView::ShowSummaryFailure(const QString& path, const QString& message,
                                     std::uint64_t generation) {
    if (generation != generation_) return;
    summaryPending_ = false;
    ShowMessageBox(this, message);
    emit runFailed(path);
    CheckLoadingFinished();
}

void ResultsView::ShowSummary(std::shared_ptr<const RunSummaryFile> summary,
                              std::uint64_t generation) {
    if (generation != generation_) return;
    summaryPending_ = false;
    summary_ = std::move(summary);
    pages_->setCurrentIndex(1);

    std::vector<FrontPoint> points;
    QStringList notPlotted;
    updatingSelection_ = true;
    memberTable_->setRowCount(static_cast<int>(summary_->front.size()));
    for (int row = 0; row < static_cast<int>(summary_->front.size()); ++row) {
        const SummaryMember& member = summary_->front[static_cast<std::size_t>(row)];
        const FrontPoint point{member.jm, member.xbIndex, member.file};
        if (!IsPlottable(point)) notPlotted.append(NotPlottedText(row, point));
        points.push_back(point);
        QString number = QString::number(row);
        if (summary_->recommended == row) number += QStringLiteral(" (recommended)");
        if (summary_->bestXieBeni == row) number += QStringLiteral(" (best Xie–Beni)");
        memberTable_->setItem(row, 0, Cell(number, Qt::AlignRight));
        auto* file = Cell(QFileInfo(member.file).fileName());
        file->setToolTip(member.mapPath.isEmpty() ? member.file + QStringLiteral(" (missing)")
                                                  : member.mapPath);
        if (member.mapPath.isEmpty()) file->setForeground(QColor(160, 0, 0));
        memberTable_->setItem(row, 1, file);
        memberTable_->setItem(row, 2,
                              Cell(Text(platform::formatFixed(member.xbIndex)), Qt::AlignRight));
        memberTable_->setItem(row, 3, Cell(Text(platform::formatFixed(member.jm)), Qt::AlignRight));
    }
    updatingSelection_ = false;
    frontPlot_->SetFront(std::move(points));
    frontPlot_->SetMarked(summary_->recommended.value_or(-1));
    notPlotted_->setText(notPlotted.join(QLatin1Char('\n')));
    notPlotted_->setVisible(!notPlotted.isEmpty());
    parameters_->setText(ParametersText(*summary_));
    mapView_->SetImageSize(summary_->lines, summary_->samples);
    emit runShown(summary_->path);

    if (!summary_->resolvedInputPath.isEmpty()) {
        inputPending_ = true;
        loader_->LoadInput(summary_, generation_);
    }
    if (!summary_->front.empty()) SelectMember(summary_->recommended.value_or(0));
    // Told once the rest is on its way, which the box does not hold up.
    if (!summary_->missingFiles.isEmpty()) {
        QStringList lines{QStringLiteral("These files of the run are missing:")};
        for (const QString& file : summary_->missingFiles)
            lines.append(QStringLiteral("\"%1\"").arg(file));
        ShowMessageBox(this, lines.join(QLatin1Char('\n')));
    }
    CheckLoadingFinished();
}

void ResultsView::ShowInput(std::shared_ptr<const LoadedInput> input, std::uint64_t generation) {
    if (generation != generation_) return;
    input_ = std::move(input);
    mapView_->SetInput(LayerOf(input_->overview, input_->overviewStep, input_->full));
    if (!input_->full.isNull()) {
        inputPending_ = false;
        CheckLoadingFinished();
    }
}

void ResultsView::ShowInputFailure(const QString& message, std::uint64_t generation) {
    if (generation != generation_) return;
    inputPending_ = false;
    ShowMessageBox(this, message);
    CheckLoadingFinished();
}

void ResultsView::SelectMember(int member) {
    if (!summary_ || member < 0 || member >= static_cast<int>(summary_->front.size())) return;
    updatingSelection_ = true;
    memberTable_->selectRow(member);
    if (QTableWidgetItem* row = memberTable_->item(member, 0)) memberTable_->scrollToItem(row);
    updatingSelection_ = false;
    frontPlot_->SetSelected(member);
    if (member == selected_) return;
    selected_ = member;
    const SummaryMember& entry = summary_->front[static_cast<std::size_t>(member)];
    shownMap_.reset();
    legendTable_->setRowCount(0);
    emit shownMapChanged();
    if (entry.mapPath.isEmpty()) {
        mapView_->ClearMap(
            QStringLiteral("The classification image \"%1\" is missing.").arg(entry.file));
        mapPending_ = false;
        CheckLoadingFinished();
        return;
    }
    mapView_->ClearMap();
    mapPending_ = true;
    loader_->LoadMap(summary_, member, generation_);
    // A map that takes long to read says so; a quick one shows without the text flashing.
    QTimer::singleShot(kReadingNoticeDelay, this, [this, member, generation = generation_] {
        if (generation != generation_ || member != selected_ || shownMap_ || !mapPending_) return;
        const SummaryMember& waited = summary_->front[static_cast<std::size_t>(member)];
        mapView_->ClearMap(
            QStringLiteral("Reading \"%1\"…").arg(QFileInfo(waited.file).fileName()));
    });
}

void ResultsView::StepMember(int step) {
    if (!summary_ || summary_->front.empty()) return;
    const int last = static_cast<int>(summary_->front.size()) - 1;
    SelectMember(std::clamp(std::max(selected_, 0) + step, 0, last));
}

void ResultsView::ShowMap(std::shared_ptr<const LoadedMap> map, std::uint64_t generation) {
    if (generation != generation_ || map->member != selected_) return;
    shownMap_ = std::move(map);
    mapView_->SetMap(LayerOf(shownMap_->overview, shownMap_->overviewStep, shownMap_->full));
    FillLegend();
    if (!shownMap_->full.isNull()) {
        mapPending_ = false;
        emit shownMapChanged();
        CheckLoadingFinished();
    }
}

void ResultsView::ShowMapFailure(int member, const QString& message, std::uint64_t generation) {
    if (generation != generation_ || member != selected_) return;
    mapPending_ = false;
    mapView_->ClearMap(message);
    ShowMessageBox(this, message);
    CheckLoadingFinished();
}

void ResultsView::FillLegend() {
    const MapLegend& legend = shownMap_->legend;
    const SummaryMember& member = summary_->front[static_cast<std::size_t>(shownMap_->member)];
    const bool hasArea = !legend.areaUnits.isEmpty();
    const bool metres = std::any_of(legend.rows.begin(), legend.rows.end(),
                                    [](const LegendRow& row) { return row.hectares.has_value(); });
    QStringList headers{QStringLiteral("Class"), QStringLiteral("Pixels"), QStringLiteral("Share")};
    if (hasArea) headers.append(QStringLiteral("Area (%1)").arg(legend.areaUnits));
    if (metres) headers.append({QStringLiteral("Hectares"), QStringLiteral("km²")});
    legendTable_->setColumnCount(static_cast<int>(headers.size()));
    legendTable_->setHorizontalHeaderLabels(headers);
    const int rows = static_cast<int>(legend.rows.size()) + (legend.unclassified > 0 ? 1 : 0);
    legendTable_->setRowCount(rows);
    for (int row = 0; row < static_cast<int>(legend.rows.size()); ++row) {
        const LegendRow& entry = legend.rows[static_cast<std::size_t>(row)];
        auto* name = Cell(entry.name);
        name->setData(Qt::DecorationRole,
                      QColor(entry.colour.red, entry.colour.green, entry.colour.blue));
        legendTable_->setItem(row, 0, name);
        legendTable_->setItem(row, 1, Cell(QString::number(entry.pixels), Qt::AlignRight));
        legendTable_->setItem(row, 2, Cell(ShareText(entry.pixels, entry.share), Qt::AlignRight));
        int column = 3;
        if (hasArea && entry.area)
            legendTable_->setItem(row, column++, Cell(NumberCell(*entry.area, 10), Qt::AlignRight));
        if (metres) {
            // The run's own figures when its summary gives them, else the pixel count's.
            std::optional<double> hectares = entry.hectares;
            std::optional<double> squareKilometres = entry.squareKilometres;
            double givenHectares = 0.0, givenSquareKilometres = 0.0;
            bool given = false;
            for (const SummaryClass& counted : member.classes) {
                if (counted.legendClass != entry.legendClass || !counted.hectares ||
                    !counted.squareKilometres)
                    continue;
                givenHectares += *counted.hectares;
                givenSquareKilometres += *counted.squareKilometres;
                given = true;
            }
            if (given) {
                hectares = givenHectares;
                squareKilometres = givenSquareKilometres;
            }
            legendTable_->setItem(row, column++, Cell(NumberCell(*hectares, 10), Qt::AlignRight));
            legendTable_->setItem(row, column++,
                                  Cell(NumberCell(*squareKilometres, 10), Qt::AlignRight));
        }
    }
    if (legend.unclassified > 0) {
        const int row = rows - 1;
        auto* name = Cell(ClassNameOf(shownMap_->map, 0));
        name->setData(Qt::DecorationRole, QColor(Qt::transparent));
        legendTable_->setItem(row, 0, name);
        legendTable_->setItem(row, 1, Cell(QString::number(legend.unclassified), Qt::AlignRight));
        legendTable_->setItem(row, 2, Cell(QStringLiteral("—"), Qt::AlignRight));
    }
}

void ResultsView::ReportPixel(int line, int sample) {
    if (!summary_) return;
    PixelFacts facts;
    facts.line = line;
    facts.sample = sample;
    const std::size_t pixel =
        static_cast<std::size_t>(line) * static_cast<std::size_t>(summary_->samples) +
        static_cast<std::size_t>(sample);
    if (shownMap_) {
        const std::uint8_t label = shownMap_->map.labels[pixel];
        facts.label = label;
        facts.legendClass = shownMap_->legendOfLabel[label];
        facts.className = ClassNameOf(shownMap_->map, facts.legendClass);
    }
    if (input_) {
        const std::size_t pixelCount =
            static_cast<std::size_t>(input_->lines) * static_cast<std::size_t>(input_->samples);
        if (!input_->leftOut.empty()) facts.leftOut = input_->leftOut[pixel];
        for (int band = 0; band < input_->bands; ++band)
            facts.bandValues.push_back(
                (*input_->bandData)[static_cast<std::size_t>(band) * pixelCount + pixel]);
    }
    emit pixelText(PixelReadoutText(facts));
}

bool ResultsView::ExportShownMap(const QString& path, MapExportFormat format) {
    if (!HasShownMap()) return false;
    loader_->ExportMap(shownMap_, path, format);
    return true;
}

}  // namespace tavorin::shell
