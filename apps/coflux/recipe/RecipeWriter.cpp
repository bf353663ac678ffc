// Writing a recipe file: every key of every layer, in the order the reader documents.

#include "RecipeFile.h"
#include "RecipeKeys.h"

#include "common/IniDocument.h"

namespace coflux {

namespace {

QString Number(double value)
{
    return QString::number(value, 'g', 12);
}

QString OutputList(const RecipeLayer& layer)
{
    QStringList numbers;
    for (const LayerOutput& o : layer.outputs)
        numbers << QString::number(o.number);
    return numbers.join(QStringLiteral(","));
}

void WriteLayer(tlv::IniDocument& doc, int n, const RecipeLayer& layer)
{
    const QString section = LayerSection(n);
    doc.setValue(section, QStringLiteral("Name"), layer.name);
    doc.setValue(section, QStringLiteral("Outputs"), OutputList(layer));
    switch (layer.end) {
    case LayerEnd::OutputThickness:
        doc.setValue(section, QStringLiteral("EndOutput"), QString::number(layer.endOutput));
        doc.setValue(section, QStringLiteral("EndThick"), Number(layer.endThick));
        break;
    case LayerEnd::SensorThickness:
        doc.setValue(section, QStringLiteral("EndSensor"), QString::number(layer.endSensor));
        doc.setValue(section, QStringLiteral("EndThick"), Number(layer.endThick));
        break;
    case LayerEnd::Time:
        doc.setValue(section, QStringLiteral("EndTime"), Number(layer.endTime));
        break;
    }
    doc.setValue(section, QStringLiteral("ShutterTolerance"), Number(layer.shutterTolerance));
    doc.setValue(section, QStringLiteral("ShutterHold"), Number(layer.shutterHold));
    doc.setValue(section, QStringLiteral("ShutterTimeout"), Number(layer.shutterTimeout));
    doc.setValue(section, QStringLiteral("CrystalFailure"),
                 layer.crystalPolicy == CrystalPolicy::TimePower ? QStringLiteral("TimePower")
                                                                 : QStringLiteral("Stop"));
    doc.setValue(section, QStringLiteral("PowerAverage"), Number(layer.powerAverage));
    // Warn is the default: a recipe that does not stop on a short crystal keeps its text.
    if (layer.crystalCheck == CrystalCheck::Stop)
        doc.setValue(section, QStringLiteral("CrystalCheck"), QStringLiteral("Stop"));

    for (const LayerOutput& o : layer.outputs) {
        const QString out = OutputSection(n, o.number);
        doc.setValue(out, QStringLiteral("Rate"), Number(o.rate));
        for (size_t s = 0; s < o.preSteps.size(); ++s) {
            const QStringList keys = PreStepKeys(int(s) + 1);
            doc.setValue(out, keys[0], Number(o.preSteps[s].power));
            doc.setValue(out, keys[1], Number(o.preSteps[s].riseTime));
            doc.setValue(out, keys[2], Number(o.preSteps[s].soakTime));
        }
        for (size_t r = 0; r < o.ramps.size(); ++r) {
            const QStringList keys = RampKeys(int(r) + 1);
            doc.setValue(out, keys[0], Number(o.ramps[r].thick));
            doc.setValue(out, keys[1], Number(o.ramps[r].rate));
            doc.setValue(out, keys[2], Number(o.ramps[r].time));
        }
        doc.setValue(out, QStringLiteral("IdlePower"), Number(o.idlePower));
        doc.setValue(out, QStringLiteral("IdleTime"), Number(o.idleTime));
        if (!o.material.isEmpty()) doc.setValue(out, QStringLiteral("Material"), o.material);
    }
}

tlv::IniDocument Document(const Recipe& recipe)
{
    tlv::IniDocument doc;
    const QString top = QLatin1String(kRecipeSection);
    doc.setValue(top, QStringLiteral("Name"), recipe.name);
    doc.setValue(top, QStringLiteral("Layers"), QString::number(recipe.layers.size()));
    for (size_t i = 0; i < recipe.layers.size(); ++i)
        WriteLayer(doc, int(i) + 1, recipe.layers[i]);
    return doc;
}

} // namespace

QByteArray RecipeText(const Recipe& recipe)
{
    return Document(recipe).toBytes();
}

bool WriteRecipe(const Recipe& recipe, const QString& path)
{
    return Document(recipe).save(path);
}

} // namespace coflux
