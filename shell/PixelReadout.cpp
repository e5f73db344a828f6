#include "shell/PixelReadout.h"

#include <QStringList>

#include "platform/NumberText.h"

namespace tavorin::shell {

QString PixelReadoutText(const PixelFacts& facts) {
    QString text = QStringLiteral("Line %1, sample %2").arg(facts.line + 1).arg(facts.sample + 1);
    if (facts.leftOut == LeftOutReason::Nodata) {
        text += QStringLiteral(": left out, no data in every band");
    } else if (facts.leftOut == LeftOutReason::NonFinite) {
        text += QStringLiteral(": left out, a sample is not a finite number");
    } else if (facts.label) {
        text += QStringLiteral(": ") + facts.className;
        if (*facts.label != facts.legendClass && *facts.label != 0)
            text += QStringLiteral(" (label %1)").arg(*facts.label);
    }
    if (!facts.bandValues.empty()) {
        QStringList values;
        for (const double value : facts.bandValues)
            values.append(QString::fromStdString(platform::formatRoundTrip(value)));
        text += QStringLiteral("; bands ") + values.join(QStringLiteral(", "));
    }
    return text;
}

}  // namespace tavorin::shell
