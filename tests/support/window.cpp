#include "window.h"

#include "planegrid.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

using namespace Qt::StringLiterals;

namespace tavrilo::testing {

const WindowDescription &described()
{
    static const WindowDescription d = [] {
        QFile file(QStringLiteral(":/tests/window.json"));
        if (!file.open(QIODevice::ReadOnly)) qFatal("window.json is not in the test's resources");
        const QJsonObject window = QJsonDocument::fromJson(file.readAll()).object();
        const QJsonValue size = window[u"size"];
        WindowDescription d{window[u"objectName"].toString(),
                            QSize(size[0].toInt(), size[1].toInt()),
                            {},
                            window[u"tabOrder"].toVariant().toStringList()};
        const QHash<QString, Qt::Alignment> alignments{{u"left"_s, Qt::AlignLeft},
                                                       {u"centre"_s, Qt::AlignHCenter},
                                                       {u"right"_s, Qt::AlignRight}};
        const QJsonObject controls = window[u"controls"].toObject();
        for (auto it = controls.begin(); it != controls.end(); ++it) {
            const QJsonObject c = it.value().toObject();
            const QJsonValue r = c[u"rect"];
            const QString text = c[u"text"].toString();
            d.controls.append({it.key(), c[u"objectName"].toString(), c[u"kind"].toString(),
                               QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()), text,
                               c[u"accessibleName"].toString(text), c[u"wordWrap"].toBool(),
                               c[u"fontPixels"].toInt(), QColor(c[u"ink"].toString()),
                               QColor(c[u"ground"].toString()),
                               alignments.value(c[u"alignment"].toString())});
        }
        return d;
    }();
    return d;
}

const Control &control(QStringView meaning)
{
    for (const Control &c : described().controls)
        if (c.meaning == meaning) return c;
    qFatal("window.json describes no control \"%s\"", qPrintable(meaning.toString()));
}

QPoint readDot(const QImage &area, qreal ratio, QColor colour)
{
    QPointF sum;
    int n = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x) {
            const QColor p = area.pixelColor(x, y);
            if (std::max({qAbs(p.red() - colour.red()), qAbs(p.green() - colour.green()),
                          qAbs(p.blue() - colour.blue())}) < 96)
                sum += QPointF(x + 0.5, y + 0.5) / ratio, ++n;
        }
    const double across = 2 * std::sqrt(n / M_PI) / ratio;
    for (int x = -7; x <= 7; ++x)
        for (int y = -7; y <= 7; ++y) {
            using namespace pictures;
            const QPointF off = sum / n - QPointF(gridColumn(x) + 0.5, gridRow(y) + 0.5);
            if (qAbs(off.x()) <= 1.5 && qAbs(off.y()) <= 1.5 && across > 5.5 && across < 8.5)
                return QPoint(x, y);
        }
    return n ? offCrossing : noDot;
}

} // namespace tavrilo::testing
