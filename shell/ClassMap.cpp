#include "shell/ClassMap.h"

#include <string>

#include <QFile>
#include <QIODevice>

#include "image/CEnviImage.h"
#include "image/EnviHeaderText.h"
#include "image/GeoTiffMap.h"
#include "platform/UserError.h"

namespace tavorin::shell {
namespace {

UserError CannotRead(const QString& path) {
    return UserError("Cannot read the classification image \"" + path.toStdString() + "\".");
}

// The items of a braced list "{a, b, c}".
QStringList ListItems(const std::string& value) {
    QString text = QString::fromStdString(value).trimmed();
    if (text.startsWith(QLatin1Char('{'))) text.remove(0, 1);
    if (text.endsWith(QLatin1Char('}'))) text.chop(1);
    QStringList items = text.split(QLatin1Char(','));
    for (QString& item : items) item = item.trimmed();
    return items;
}

void ReadEnviHeaderClasses(const QString& headerPath, ClassMap& map, long long& headerOffset) {
    QFile header(headerPath);
    if (!header.open(QIODevice::ReadOnly)) throw CannotRead(headerPath);
    const std::string text = header.readAll().toStdString();
    bool sizeMatches = true;
    for (const EnviHeaderEntry& entry : ParseEnviHeaderText(text)) {
        if (entry.normalizedKey == "samples") {
            sizeMatches = sizeMatches && ParseLeadingInt32(entry.value) == map.samples;
        } else if (entry.normalizedKey == "lines") {
            sizeMatches = sizeMatches && ParseLeadingInt32(entry.value) == map.lines;
        } else if (entry.normalizedKey == "header offset") {
            headerOffset = ParseLeadingInt64(entry.value).value_or(0);
        } else if (entry.normalizedKey == "class lookup") {
            const QStringList components = ListItems(entry.value);
            map.colours.clear();
            for (qsizetype i = 0; i + 2 < components.size(); i += 3) {
                map.colours.push_back({static_cast<std::uint8_t>(components[i].toInt()),
                                       static_cast<std::uint8_t>(components[i + 1].toInt()),
                                       static_cast<std::uint8_t>(components[i + 2].toInt())});
            }
        } else if (entry.normalizedKey == "class names") {
            map.names = ListItems(entry.value);
        }
    }
    if (!sizeMatches) throw CannotRead(headerPath);
}

}  // namespace

ClassMap ReadClassMap(const QString& path, int lines, int samples) {
    ClassMap map;
    map.lines = lines;
    map.samples = samples;
    const auto pixelCount = static_cast<std::size_t>(lines) * static_cast<std::size_t>(samples);
    if (path.endsWith(QLatin1String(".tif"), Qt::CaseInsensitive)) {
        map.labels = ReadMapLabels(path.toStdString(), pixelCount);
        return map;
    }
    long long headerOffset = 0;
    ReadEnviHeaderClasses(
        QString::fromStdString(CEnviImage::OutputHeaderFileName(path.toStdString())), map,
        headerOffset);
    QFile raw(path);
    if (!raw.open(QIODevice::ReadOnly) || !raw.seek(headerOffset)) throw CannotRead(path);
    map.labels.resize(pixelCount);
    const qint64 read =
        raw.read(reinterpret_cast<char*>(map.labels.data()), static_cast<qint64>(pixelCount));
    if (read != static_cast<qint64>(pixelCount)) throw CannotRead(path);
    return map;
}

ClassColour ClassColourOf(const ClassMap& map, int c) {
    if (c >= 0 && static_cast<std::size_t>(c) < map.colours.size())
        return map.colours[static_cast<std::size_t>(c)];
    return classColourTable[static_cast<std::size_t>(c < 0 ? 0 : c) % classColourTable.size()];
}

QString ClassNameOf(const ClassMap& map, int c) {
    if (c >= 0 && c < map.names.size() && !map.names[c].isEmpty()) return map.names[c];
    return c == 0 ? QStringLiteral("Unclassified") : QStringLiteral("Class %1").arg(c);
}

}  // namespace tavorin::shell
