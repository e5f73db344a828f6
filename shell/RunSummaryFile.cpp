#include "shell/RunSummaryFile.h"

#include <cmath>
#include <limits>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include "platform/UserError.h"

namespace tavorin::shell {
namespace {

UserError NotASummary(const QString& path) {
    return UserError("\"" + path.toStdString() + "\" is not a TAVORIN run summary.");
}

// A number as the summary writes it: infinities and NaN are the strings "inf", "-inf", "nan".
std::optional<double> NumberOf(const QJsonValue& value) {
    if (value.isDouble()) return value.toDouble();
    const QString text = value.toString();
    if (text == QLatin1String("inf")) return std::numeric_limits<double>::infinity();
    if (text == QLatin1String("-inf")) return -std::numeric_limits<double>::infinity();
    if (text == QLatin1String("nan")) return std::numeric_limits<double>::quiet_NaN();
    return std::nullopt;
}

std::optional<int> IndexOf(const QJsonValue& value, std::size_t count) {
    if (!value.isDouble()) return std::nullopt;
    const double index = value.toDouble();
    if (!(index >= 0.0) || index >= static_cast<double>(count) || std::floor(index) != index)
        return std::nullopt;
    return static_cast<int>(index);
}

std::optional<PixelArea> PixelAreaOf(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<double> x = NumberOf(object.value(QLatin1String("x")));
    const std::optional<double> y = NumberOf(object.value(QLatin1String("y")));
    if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y)) return std::nullopt;
    return PixelArea{*x, *y, object.value(QLatin1String("units")).toString()};
}

SummaryClass ClassOf(const QJsonObject& object) {
    SummaryClass entry;
    entry.label = object.value(QLatin1String("label")).toInt();
    entry.legendClass = object.value(QLatin1String("legendClass")).toInt(entry.label);
    entry.pixels = static_cast<long long>(object.value(QLatin1String("pixels")).toDouble());
    entry.hectares = NumberOf(object.value(QLatin1String("hectares")));
    entry.squareKilometres = NumberOf(object.value(QLatin1String("squareKilometres")));
    return entry;
}

SummaryMember MemberOf(const QJsonObject& object) {
    SummaryMember member;
    member.file = object.value(QLatin1String("file")).toString();
    member.xbIndex = NumberOf(object.value(QLatin1String("xbIndex")))
                         .value_or(std::numeric_limits<double>::quiet_NaN());
    member.jm = NumberOf(object.value(QLatin1String("jm")))
                    .value_or(std::numeric_limits<double>::quiet_NaN());
    for (const QJsonValue& legendClass : object.value(QLatin1String("legend")).toArray())
        member.legend.push_back(legendClass.toInt());
    for (const QJsonValue& entry : object.value(QLatin1String("classes")).toArray())
        member.classes.push_back(ClassOf(entry.toObject()));
    return member;
}

// The first of the places a file named by the summary may be that exists; empty when none.
QString FindRunFile(const QString& written, const QDir& summaryFolder) {
    if (written.isEmpty()) return {};
    const QFileInfo given(written);
    QStringList candidates{written};
    if (given.isRelative()) candidates.append(summaryFolder.filePath(written));
    candidates.append(summaryFolder.filePath(given.fileName()));
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).absoluteFilePath();
    return {};
}

}  // namespace

bool IsRunSummaryPath(const QString& path) {
    return path.endsWith(QLatin1String("_summary.json"), Qt::CaseInsensitive);
}

RunSummaryFile ReadRunSummaryFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError("Cannot open the run summary \"" + path.toStdString() + "\".");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) throw NotASummary(path);
    const QJsonObject root = document.object();
    const QJsonObject parameters = root.value(QLatin1String("parameters")).toObject();
    const QJsonObject image = root.value(QLatin1String("image")).toObject();
    const QJsonObject pixels = root.value(QLatin1String("pixels")).toObject();
    if (!root.value(QLatin1String("front")).isArray() || image.isEmpty()) throw NotASummary(path);

    RunSummaryFile summary;
    summary.path = QFileInfo(path).absoluteFilePath();
    summary.inputPath = parameters.value(QLatin1String("inputPath")).toString();
    summary.samples = image.value(QLatin1String("samples")).toInt();
    summary.lines = image.value(QLatin1String("lines")).toInt();
    summary.bands = image.value(QLatin1String("bands")).toInt();
    if (summary.samples < 1 || summary.lines < 1 || summary.bands < 1) throw NotASummary(path);
    summary.clusterNumber = parameters.value(QLatin1String("clusterNumber")).toInt();
    summary.popSize = parameters.value(QLatin1String("popSize")).toInt();
    summary.iGenerations = parameters.value(QLatin1String("iGenerations")).toInt();
    summary.fls = NumberOf(parameters.value(QLatin1String("FLS"))).value_or(0.0);
    if (root.value(QLatin1String("seed")).isDouble())
        summary.seed = static_cast<std::uint32_t>(root.value(QLatin1String("seed")).toDouble());
    for (const QJsonValue& value : pixels.value(QLatin1String("nodataValues")).toArray())
        summary.nodataValues.push_back(value.isNull() ? std::nullopt : NumberOf(value));
    for (const QJsonValue& member : root.value(QLatin1String("front")).toArray())
        summary.front.push_back(MemberOf(member.toObject()));
    summary.recommended = IndexOf(root.value(QLatin1String("recommended")), summary.front.size());
    summary.bestXieBeni = IndexOf(root.value(QLatin1String("bestXieBeni")), summary.front.size());
    summary.pixelArea = PixelAreaOf(pixels.value(QLatin1String("pixelArea")));
    if (!summary.pixelArea)
        summary.pixelArea = PixelAreaOf(image.value(QLatin1String("pixelArea")));

    const QDir folder = QFileInfo(path).absoluteDir();
    summary.resolvedInputPath = FindRunFile(summary.inputPath, folder);
    if (summary.resolvedInputPath.isEmpty()) summary.missingFiles.append(summary.inputPath);
    for (SummaryMember& member : summary.front) {
        member.mapPath = FindRunFile(member.file, folder);
        if (member.mapPath.isEmpty()) summary.missingFiles.append(member.file);
    }
    return summary;
}

}  // namespace tavorin::shell
