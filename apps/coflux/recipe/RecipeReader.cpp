// Reading and checking a recipe file. The whole file is checked before a recipe is handed out,
// so a run never starts on a recipe that would stop halfway on a bad value.

#include "RecipeFile.h"
#include "RecipeKeys.h"
#include "RecipePlan.h"

#include "common/IniDocument.h"
#include "instrument/cTLV880a.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <cmath>

namespace coflux {

namespace {

// Where a message points: a section, and the layer it belongs to (0 for [RECIPE]).
struct Place {
    QString section;
    int layer = 0;
    QString layerName;
};

class RecipeReader {
public:
    RecipeReader(const tlv::IniDocument& doc, const QString& path) : m_doc(doc), m_path(path) {}

    std::optional<Recipe> Read();
    const QString& Error() const { return m_error; }

private:
    bool Fail(const Place& at, const QString& key, const QString& text);
    bool CheckSections(int layers, const std::vector<RecipeLayer>& read);
    bool CheckKeys(const Place& at, const QStringList& allowed);
    // A value that is there (with or without text), or nothing when the key is absent.
    std::optional<QString> Value(const Place& at, const QString& key) const;
    // Reads a number within [min, max]; `present` tells whether the key was there. False
    // after a message.
    bool Number(const Place& at, const QString& key, bool required, double min, double max,
                const QString& quantity, double& out, bool* present = nullptr);
    bool ReadLayer(int number, RecipeLayer& layer);
    bool ReadEnd(const Place& at, RecipeLayer& layer);
    bool ReadOutput(const Place& layerPlace, int number, LayerOutput& output);
    // How one numbered group of keys (a pre-step, a ramp) stands in a section.
    enum class Group { Absent, Complete, Failed };
    // A group's keys come all or none, and group `n` only after the `read` groups before it;
    // `noun` names the group in the message.
    Group CheckGroup(const Place& at, const QStringList& keys, int n, int read,
                     const QString& noun);
    bool ReadPreSteps(const Place& at, LayerOutput& output);
    bool ReadRamps(const Place& at, LayerOutput& output);
    bool CheckRampsEndInTime(const Place& layerPlace, const RecipeLayer& layer);

    const tlv::IniDocument& m_doc;
    QString m_path;
    QString m_error;
};

bool IsComment(const QString& key)
{
    return key.startsWith(QLatin1Char(';')) || key.startsWith(QLatin1Char('#'));
}

QString Limit(double value)
{
    return QString::number(value);
}

bool RecipeReader::Fail(const Place& at, const QString& key, const QString& text)
{
    QString where =
        at.layer > 0
            ? QStringLiteral("layer %1 \"%2\", [%3]").arg(at.layer).arg(at.layerName, at.section)
            : QStringLiteral("[%1]").arg(at.section);
    if (!key.isEmpty()) where += QStringLiteral(" key %1").arg(key);
    m_error = QStringLiteral("%1: %2: %3").arg(m_path, where, text);
    return false;
}

std::optional<QString> RecipeReader::Value(const Place& at, const QString& key) const
{
    for (const QString& name : m_doc.keyNames(at.section))
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return m_doc.value(at.section, key).value_or(QString());
    return std::nullopt;
}

bool RecipeReader::Number(const Place& at, const QString& key, bool required, double min,
                          double max, const QString& quantity, double& out, bool* present)
{
    const std::optional<QString> text = Value(at, key);
    if (present) *present = text.has_value();
    if (!text) return required ? Fail(at, key, QStringLiteral("the key is missing.")) : true;
    if (text->trimmed().isEmpty()) return Fail(at, key, QStringLiteral("the key has no value."));
    bool ok = false;
    const double value = QLocale::c().toDouble(text->trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return Fail(at, key, QStringLiteral("\"%1\" is not a number.").arg(*text));
    if (value < min || value > max)
        return Fail(
            at, key,
            QStringLiteral("%1 must be between %2 and %3 !").arg(quantity, Limit(min), Limit(max)));
    out = value;
    return true;
}

// Every key of a section must be one the recipe knows, and given once.
bool RecipeReader::CheckKeys(const Place& at, const QStringList& allowed)
{
    QSet<QString> seen;
    for (const QString& key : m_doc.keyNames(at.section)) {
        if (IsComment(key)) continue;
        const QString folded = key.toLower();
        if (!allowed.contains(key, Qt::CaseInsensitive))
            return Fail(at, key, QStringLiteral("unknown key."));
        if (seen.contains(folded)) return Fail(at, key, QStringLiteral("the key is given twice."));
        seen.insert(folded);
    }
    return true;
}

// Every section must be [RECIPE], a layer that exists or an output section of one of its
// outputs, and be given once.
bool RecipeReader::CheckSections(int layers, const std::vector<RecipeLayer>& read)
{
    QSet<QString> seen;
    for (const QString& name : m_doc.sectionNames()) {
        const QString folded = name.toUpper();
        bool known = folded == QLatin1String(kRecipeSection);
        Place at{name, 0, {}};
        for (int n = 1; !known && n <= layers; ++n) {
            const RecipeLayer* layer =
                n <= int(read.size()) ? &read[static_cast<size_t>(n - 1)] : nullptr;
            if (folded == LayerSection(n)) known = true;
            for (int o = 1; !known && o <= 6; ++o) {
                if (folded != OutputSection(n, o)) continue;
                at = {name, n, layer ? layer->name : QString()};
                if (!layer || !layer->Output(o))
                    return Fail(
                        at, {},
                        QStringLiteral("output %1 is not one of the layer's Outputs.").arg(o));
                known = true;
            }
        }
        if (!known) return Fail(at, {}, QStringLiteral("unknown section."));
        if (seen.contains(folded))
            return Fail(at, {}, QStringLiteral("the section is given twice."));
        seen.insert(folded);
    }
    return true;
}

std::optional<Recipe> RecipeReader::Read()
{
    const Place top{QLatin1String(kRecipeSection), 0, {}};
    if (!m_doc.sectionNames().contains(top.section, Qt::CaseInsensitive)) {
        Fail(top, {}, QStringLiteral("the section is missing; this is not a recipe file."));
        return std::nullopt;
    }
    if (!CheckKeys(top, {QStringLiteral("Name"), QStringLiteral("Layers")})) return std::nullopt;

    Recipe recipe;
    recipe.name = Value(top, QStringLiteral("Name")).value_or(QString()).trimmed();
    if (recipe.name.isEmpty()) recipe.name = QFileInfo(m_path).completeBaseName();
    double layers = 0;
    if (!Number(top, QStringLiteral("Layers"), true, 1, kMaxRecipeLayers, QStringLiteral("Layers"),
                layers))
        return std::nullopt;
    if (layers != std::floor(layers)) {
        Fail(top, QStringLiteral("Layers"), QStringLiteral("Layers must be a whole number."));
        return std::nullopt;
    }
    const int count = int(layers);
    for (int n = 1; n <= count; ++n) {
        RecipeLayer layer;
        if (!ReadLayer(n, layer)) return std::nullopt;
        recipe.layers.push_back(std::move(layer));
    }
    if (!CheckSections(count, recipe.layers)) return std::nullopt;
    return recipe;
}

bool RecipeReader::ReadLayer(int number, RecipeLayer& layer)
{
    Place at{LayerSection(number), number, QStringLiteral("Layer %1").arg(number)};
    if (!m_doc.sectionNames().contains(at.section, Qt::CaseInsensitive))
        return Fail(at, {},
                    QStringLiteral("the section is missing (Layers is %1).")
                        .arg(m_doc.value(QLatin1String(kRecipeSection), QStringLiteral("Layers"))
                                 .value_or(QString())));
    const QString name = Value(at, QStringLiteral("Name")).value_or(QString()).trimmed();
    if (!name.isEmpty()) at.layerName = name;
    layer.name = at.layerName;
    if (!CheckKeys(at, LayerKeys())) return false;

    const std::optional<QString> list = Value(at, QStringLiteral("Outputs"));
    if (!list || list->trimmed().isEmpty())
        return Fail(at, QStringLiteral("Outputs"), QStringLiteral("the key is missing."));
    for (const QString& item : list->split(QLatin1Char(','))) {
        bool ok = false;
        const int out = item.trimmed().toInt(&ok);
        if (!ok || OutputSlotOfNumber(out) < 0)
            return Fail(
                at, QStringLiteral("Outputs"),
                QStringLiteral("\"%1\" is not an output; outputs are 1 to 6.").arg(item.trimmed()));
        if (layer.Output(out))
            return Fail(at, QStringLiteral("Outputs"),
                        QStringLiteral("output %1 is named twice.").arg(out));
        LayerOutput output;
        output.number = out;
        output.slot = OutputSlotOfNumber(out);
        layer.outputs.push_back(output);
    }

    if (!ReadEnd(at, layer)) return false;
    if (!Number(at, QStringLiteral("ShutterTolerance"), false, 0, 100, QStringLiteral("Tolerance"),
                layer.shutterTolerance) ||
        !Number(at, QStringLiteral("ShutterHold"), false, 0, kMaxSeconds, QStringLiteral("Time"),
                layer.shutterHold) ||
        !Number(at, QStringLiteral("ShutterTimeout"), false, 0, kMaxSeconds, QStringLiteral("Time"),
                layer.shutterTimeout))
        return false;
    if (layer.shutterTolerance <= 0)
        return Fail(at, QStringLiteral("ShutterTolerance"),
                    QStringLiteral("Tolerance must be greater than 0."));
    if (layer.shutterTimeout <= layer.shutterHold)
        return Fail(at, QStringLiteral("ShutterTimeout"),
                    QStringLiteral("the time-out must be longer than ShutterHold."));

    const QString policy = Value(at, QStringLiteral("CrystalFailure")).value_or("Stop").trimmed();
    if (policy.compare(QLatin1String("Stop"), Qt::CaseInsensitive) == 0)
        layer.crystalPolicy = CrystalPolicy::Stop;
    else if (policy.compare(QLatin1String("TimePower"), Qt::CaseInsensitive) == 0)
        layer.crystalPolicy = CrystalPolicy::TimePower;
    else
        return Fail(at, QStringLiteral("CrystalFailure"),
                    QStringLiteral("\"%1\" is neither Stop nor TimePower.").arg(policy));
    const QString check = Value(at, QStringLiteral("CrystalCheck")).value_or("Warn").trimmed();
    if (check.compare(QLatin1String("Warn"), Qt::CaseInsensitive) == 0)
        layer.crystalCheck = CrystalCheck::Warn;
    else if (check.compare(QLatin1String("Stop"), Qt::CaseInsensitive) == 0)
        layer.crystalCheck = CrystalCheck::Stop;
    else
        return Fail(at, QStringLiteral("CrystalCheck"),
                    QStringLiteral("\"%1\" is neither Warn nor Stop.").arg(check));
    bool averageGiven = false;
    if (!Number(at, QStringLiteral("PowerAverage"), false, 0, kMaxSeconds, QStringLiteral("Time"),
                layer.powerAverage, &averageGiven))
        return false;
    if (layer.crystalPolicy == CrystalPolicy::TimePower && !averageGiven)
        return Fail(at, QStringLiteral("PowerAverage"),
                    QStringLiteral("the key is missing (CrystalFailure is TimePower)."));
    if (layer.powerAverage <= 0)
        return Fail(at, QStringLiteral("PowerAverage"),
                    QStringLiteral("Time must be greater than 0."));

    for (LayerOutput& output : layer.outputs)
        if (!ReadOutput(at, output.number, output)) return false;
    return CheckRampsEndInTime(at, layer);
}

bool RecipeReader::ReadEnd(const Place& at, RecipeLayer& layer)
{
    const bool byOutput = Value(at, QStringLiteral("EndOutput")).has_value();
    const bool bySensor = Value(at, QStringLiteral("EndSensor")).has_value();
    const bool byTime = Value(at, QStringLiteral("EndTime")).has_value();
    const bool thick = Value(at, QStringLiteral("EndThick")).has_value();
    if (int(byOutput) + int(bySensor) + int(byTime) == 0)
        return Fail(at, {},
                    QStringLiteral("the layer has no end: give EndOutput or EndSensor with "
                                   "EndThick, or EndTime."));
    if (int(byOutput) + int(bySensor) + int(byTime) > 1)
        return Fail(at, byTime ? QStringLiteral("EndTime") : QStringLiteral("EndSensor"),
                    QStringLiteral("the layer has more than one end."));
    if (byTime) {
        if (thick)
            return Fail(at, QStringLiteral("EndThick"),
                        QStringLiteral("a layer that ends by EndTime takes no EndThick."));
        layer.end = LayerEnd::Time;
        if (!Number(at, QStringLiteral("EndTime"), true, 0, kMaxSeconds, QStringLiteral("Time"),
                    layer.endTime))
            return false;
        if (layer.endTime <= 0)
            return Fail(at, QStringLiteral("EndTime"),
                        QStringLiteral("Time must be greater than 0."));
        return true;
    }
    double which = 0;
    const QString key = byOutput ? QStringLiteral("EndOutput") : QStringLiteral("EndSensor");
    if (!Number(at, key, true, 1, byOutput ? 6 : kRecipeSensors,
                byOutput ? QStringLiteral("Output") : QStringLiteral("Sensor"), which))
        return false;
    if (which != std::floor(which)) return Fail(at, key, QStringLiteral("give a whole number."));
    if (byOutput) {
        layer.end = LayerEnd::OutputThickness;
        layer.endOutput = int(which);
        if (!layer.Output(layer.endOutput))
            return Fail(at, key,
                        QStringLiteral("output %1 is not one of the layer's Outputs.")
                            .arg(layer.endOutput));
    } else {
        layer.end = LayerEnd::SensorThickness;
        layer.endSensor = int(which);
    }
    if (!Number(at, QStringLiteral("EndThick"), true, cTLV880a::ThickMin(), cTLV880a::ThickMax(),
                QStringLiteral("Thickness"), layer.endThick))
        return false;
    if (layer.endThick <= 0)
        return Fail(at, QStringLiteral("EndThick"),
                    QStringLiteral("Thickness must be greater than 0."));
    return true;
}

bool RecipeReader::ReadOutput(const Place& layerPlace, int number, LayerOutput& output)
{
    Place at{OutputSection(layerPlace.layer, number), layerPlace.layer, layerPlace.layerName};
    if (!m_doc.sectionNames().contains(at.section, Qt::CaseInsensitive))
        return Fail(
            at, {},
            QStringLiteral("the section is missing (output %1 is in Outputs).").arg(number));
    if (!CheckKeys(at, OutputKeys())) return false;
    if (!Number(at, QStringLiteral("Rate"), true, cTLV880a::RateMin(), cTLV880a::RateMax(),
                QStringLiteral("Rate"), output.rate))
        return false;
    if (output.rate <= 0)
        return Fail(at, QStringLiteral("Rate"), QStringLiteral("Rate must be greater than 0."));
    if (!ReadPreSteps(at, output) || !ReadRamps(at, output)) return false;
    if (!Number(at, QStringLiteral("IdlePower"), false, cTLV880a::PowerMin(), cTLV880a::PowerMax(),
                QStringLiteral("Power"), output.idlePower) ||
        !Number(at, QStringLiteral("IdleTime"), false, 0, kMaxSeconds, QStringLiteral("Time"),
                output.idleTime))
        return false;
    // The idle power is always ramped, never stepped.
    if (output.idleTime <= 0)
        return Fail(at, QStringLiteral("IdleTime"),
                    QStringLiteral("Time must be greater than 0 (the idle power is ramped)."));
    // The material's name; whether the table has it is checked against the program's table.
    if (const std::optional<QString> material = Value(at, QStringLiteral("Material"))) {
        output.material = material->trimmed();
        if (output.material.isEmpty())
            return Fail(at, QStringLiteral("Material"), QStringLiteral("the key has no value."));
    }
    return true;
}

RecipeReader::Group RecipeReader::CheckGroup(const Place& at, const QStringList& keys, int n,
                                             int read, const QString& noun)
{
    int given = 0;
    for (const QString& key : keys)
        given += Value(at, key).has_value() ? 1 : 0;
    if (given == 0) return Group::Absent;
    for (const QString& key : keys)
        if (!Value(at, key)) {
            Fail(at, key,
                 QStringLiteral("the key is missing (a %1 needs %2).")
                     .arg(noun, keys.join(QStringLiteral(", "))));
            return Group::Failed;
        }
    if (read != n - 1) {
        Fail(at, keys.front(),
             QStringLiteral("%1 %2 is given without %1 %3.").arg(noun).arg(n).arg(n - 1));
        return Group::Failed;
    }
    return Group::Complete;
}

bool RecipeReader::ReadPreSteps(const Place& at, LayerOutput& output)
{
    for (int n = 1; n <= kMaxPreSteps; ++n) {
        const QStringList keys = PreStepKeys(n);
        const Group group =
            CheckGroup(at, keys, n, int(output.preSteps.size()), QStringLiteral("step"));
        if (group == Group::Failed) return false;
        if (group == Group::Absent) continue;
        PreStep step;
        if (!Number(at, keys[0], true, cTLV880a::PowerMin(), cTLV880a::PowerMax(),
                    QStringLiteral("Power"), step.power) ||
            !Number(at, keys[1], true, 0, kMaxSeconds, QStringLiteral("Time"), step.riseTime) ||
            !Number(at, keys[2], true, 0, kMaxSeconds, QStringLiteral("Time"), step.soakTime))
            return false;
        output.preSteps.push_back(step);
    }
    return true;
}

bool RecipeReader::ReadRamps(const Place& at, LayerOutput& output)
{
    for (int n = 1; n <= kMaxRateRamps; ++n) {
        const QStringList keys = RampKeys(n);
        const Group group =
            CheckGroup(at, keys, n, int(output.ramps.size()), QStringLiteral("ramp"));
        if (group == Group::Failed) return false;
        if (group == Group::Absent) continue;
        RateRamp ramp;
        if (!Number(at, keys[0], true, cTLV880a::ThickMin(), cTLV880a::ThickMax(),
                    QStringLiteral("Thickness"), ramp.thick) ||
            !Number(at, keys[1], true, cTLV880a::RateMin(), cTLV880a::RateMax(),
                    QStringLiteral("Rate"), ramp.rate) ||
            !Number(at, keys[2], true, 0, kMaxSeconds, QStringLiteral("Time"), ramp.time))
            return false;
        if (ramp.rate <= 0)
            return Fail(at, keys[1], QStringLiteral("Rate must be greater than 0."));
        // A ramp starts only after the one before it has ended.
        if (!output.ramps.empty()) {
            const double previousEnd = PlannedThickness(output, PlannedRampStart(output, n - 2) +
                                                                    output.ramps.back().time);
            if (ramp.thick * 1000.0 < previousEnd)
                return Fail(at, keys[0],
                            QStringLiteral("the ramp starts at %1 kÅ, before ramp %2 has ended "
                                           "(at %3 kÅ).")
                                .arg(ramp.thick)
                                .arg(n - 1)
                                .arg(previousEnd / 1000.0, 0, 'f', 3));
        }
        output.ramps.push_back(ramp);
    }
    return true;
}

// A ramp must have ended before the layer is planned to end: on its own thickness when the
// output ends the layer, else within the planned deposition time. A layer that ends on a
// monitor sensor has no thickness of its outputs to compare with and is left to the run.
bool RecipeReader::CheckRampsEndInTime(const Place& layerPlace, const RecipeLayer& layer)
{
    if (layer.end == LayerEnd::SensorThickness) return true;
    const double deposit = PlannedDepositTime(layer);
    for (const LayerOutput& output : layer.outputs) {
        for (int i = 0; i < int(output.ramps.size()); ++i) {
            const double end = PlannedRampStart(output, i) + output.ramps[size_t(i)].time;
            if (end <= deposit + 1e-9) continue;
            const Place at{OutputSection(layerPlace.layer, output.number), layerPlace.layer,
                           layerPlace.layerName};
            const QString layerEnd =
                layer.end == LayerEnd::Time
                    ? QStringLiteral("%1 s").arg(layer.endTime)
                    : QStringLiteral("%1 kÅ on output %2").arg(layer.endThick).arg(layer.endOutput);
            return Fail(at, RampKeys(i + 1).front(),
                        QStringLiteral("the ramp runs past the layer's end (%1): it is planned "
                                       "to end after %2 s of a %3 s deposition.")
                            .arg(layerEnd)
                            .arg(end, 0, 'f', 1)
                            .arg(deposit, 0, 'f', 1));
        }
    }
    return true;
}

} // namespace

RecipeLoad ParseRecipe(const QByteArray& text, const QString& path)
{
    const tlv::IniDocument doc = tlv::IniDocument::fromBytes(text);
    RecipeReader reader(doc, path);
    RecipeLoad load;
    load.recipe = reader.Read();
    if (!load.recipe) load.error = reader.Error();
    return load;
}

RecipeLoad ReadRecipe(const QString& path)
{
    tlv::IniDocument::LoadResult result = tlv::IniDocument::LoadResult::Missing;
    const tlv::IniDocument doc = tlv::IniDocument::load(path, &result);
    RecipeLoad load;
    switch (result) {
    case tlv::IniDocument::LoadResult::Missing:
        load.error = QStringLiteral("%1: the recipe file does not exist.").arg(path);
        return load;
    case tlv::IniDocument::LoadResult::Unreadable:
        load.error = QStringLiteral("%1: the recipe file cannot be read.").arg(path);
        return load;
    case tlv::IniDocument::LoadResult::TooLarge:
        load.error = QStringLiteral("%1: the file is too large to be a recipe.").arg(path);
        return load;
    case tlv::IniDocument::LoadResult::Binary:
    case tlv::IniDocument::LoadResult::NulInSection:
        load.error =
            QStringLiteral("%1: the file is not a text file, so it is no recipe.").arg(path);
        return load;
    case tlv::IniDocument::LoadResult::NoSection:
        load.error = QStringLiteral("%1: the file has no sections, so it is no recipe.").arg(path);
        return load;
    case tlv::IniDocument::LoadResult::Loaded:
        break;
    }
    RecipeReader reader(doc, path);
    load.recipe = reader.Read();
    if (!load.recipe) load.error = reader.Error();
    return load;
}

QString CheckRecipeAgainstCards(const Recipe& recipe, const QString& path,
                                const std::function<bool(int)>& outputPresent,
                                const std::function<bool(int)>& sensorPresent)
{
    for (size_t i = 0; i < recipe.layers.size(); ++i) {
        const RecipeLayer& layer = recipe.layers[i];
        const int n = int(i) + 1;
        for (const LayerOutput& output : layer.outputs)
            if (!outputPresent(output.slot))
                return QStringLiteral("%1: layer %2 \"%3\", [%4] key Outputs: output %5 is not "
                                      "on the installed cards.")
                    .arg(path)
                    .arg(n)
                    .arg(layer.name, LayerSection(n))
                    .arg(output.number);
        if (layer.end == LayerEnd::SensorThickness && !sensorPresent(layer.endSensor - 1))
            return QStringLiteral("%1: layer %2 \"%3\", [%4] key EndSensor: sensor %5 is not on "
                                  "the installed cards.")
                .arg(path)
                .arg(n)
                .arg(layer.name, LayerSection(n))
                .arg(layer.endSensor);
    }
    return {};
}

QString CheckRecipeMaterials(const Recipe& recipe, const QString& path,
                             const std::function<bool(const QString&)>& known)
{
    for (size_t i = 0; i < recipe.layers.size(); ++i) {
        const RecipeLayer& layer = recipe.layers[i];
        const int n = int(i) + 1;
        for (const LayerOutput& output : layer.outputs)
            if (!output.material.isEmpty() && !known(output.material))
                return QStringLiteral("%1: layer %2 \"%3\", [%4] key Material: \"%5\" is not in "
                                      "the material table.")
                    .arg(path)
                    .arg(n)
                    .arg(layer.name, OutputSection(n, output.number), output.material);
    }
    return {};
}

} // namespace coflux
