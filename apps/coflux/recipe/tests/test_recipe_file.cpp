// Recipe files: what a good file gives, that a written recipe reads back the same, and that
// every kind of bad recipe is refused with a message naming the file, the layer and the key.

#include "RecipeFile.h"
#include "RecipePlan.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace coflux {
namespace {

const QString kPath = QStringLiteral("stack.rcp");

// A three-layer stack: a time-ended adhesion layer with two pre-conditioning steps, an alloy of
// two outputs ending on output 2 with a rate ramp, and a cap ending on a monitor sensor.
QByteArray GoodRecipe()
{
    return "; adhesion, alloy, cap\n"
           "[RECIPE]\n"
           "Name=Test stack\n"
           "Layers=3\n"
           "\n"
           "[LAYER1]\n"
           "Name=Adhesion\n"
           "Outputs=1\n"
           "EndTime=30\n"
           "ShutterTolerance=10\n"
           "ShutterHold=3\n"
           "ShutterTimeout=60\n"
           "\n"
           "[LAYER1 OUTPUT1]\n"
           "; power ramps before rate control\n"
           "Rate=2\n"
           "Rise1Power=20\n"
           "Rise1Time=10\n"
           "Soak1Time=5\n"
           "Rise2Power=30\n"
           "Rise2Time=4\n"
           "Soak2Time=2\n"
           "IdlePower=5\n"
           "IdleTime=4\n"
           "\n"
           "[LAYER2]\n"
           "Name=Alloy\n"
           "Outputs=1, 2\n"
           "EndOutput=2\n"
           "EndThick=0.5\n"
           "CrystalFailure=TimePower\n"
           "PowerAverage=8\n"
           "\n"
           "[LAYER2 OUTPUT1]\n"
           "Rate=4\n"
           "Material= Gold \n"
           "\n"
           "[LAYER2 OUTPUT2]\n"
           "Rate=5\n"
           "Ramp1Thick=0.2\n"
           "Ramp1Rate=10\n"
           "Ramp1Time=10\n"
           "\n"
           "[LAYER3]\n"
           "Name=Cap\n"
           "Outputs=2\n"
           "EndSensor=3\n"
           "EndThick=0.1\n"
           "\n"
           "[LAYER3 OUTPUT2]\n"
           "Rate=3\n";
}

RecipeLoad Parse(const QByteArray& text)
{
    return ParseRecipe(text, kPath);
}

// The good recipe with one line replaced (an empty replacement removes it).
QByteArray With(const QByteArray& line, const QByteArray& replacement)
{
    QByteArray text = GoodRecipe();
    const qsizetype at = text.indexOf(line + "\n");
    EXPECT_GE(at, 0) << line.constData();
    text.replace(at, line.size() + 1, replacement.isEmpty() ? QByteArray() : replacement + "\n");
    return text;
}

TEST(RecipeFile, GoodFileGivesEveryLayerWithDefaultsForOmittedKeys)
{
    const RecipeLoad load = Parse(GoodRecipe());
    ASSERT_TRUE(load.recipe) << load.error.toStdString();
    const Recipe& r = *load.recipe;
    EXPECT_EQ(r.name, "Test stack");
    ASSERT_EQ(r.layers.size(), 3u);

    const RecipeLayer& adhesion = r.layers[0];
    EXPECT_EQ(adhesion.name, "Adhesion");
    EXPECT_EQ(adhesion.end, LayerEnd::Time);
    EXPECT_EQ(adhesion.endTime, 30);
    EXPECT_EQ(adhesion.shutterTolerance, 10);
    EXPECT_EQ(adhesion.crystalPolicy, CrystalPolicy::Stop);
    ASSERT_EQ(adhesion.outputs.size(), 1u);
    ASSERT_EQ(adhesion.outputs[0].preSteps.size(), 2u);
    EXPECT_EQ(adhesion.outputs[0].preSteps[1].power, 30);
    EXPECT_EQ(adhesion.outputs[0].idlePower, 5);

    const RecipeLayer& alloy = r.layers[1];
    EXPECT_EQ(alloy.end, LayerEnd::OutputThickness);
    EXPECT_EQ(alloy.endOutput, 2);
    EXPECT_EQ(alloy.crystalPolicy, CrystalPolicy::TimePower);
    EXPECT_EQ(alloy.powerAverage, 8);
    ASSERT_EQ(alloy.outputs.size(), 2u);
    EXPECT_EQ(alloy.outputs[1].ramps.size(), 1u);
    // Omitted keys: the shutter delay's and the idle ramp's defaults.
    EXPECT_EQ(alloy.shutterHold, 5);
    EXPECT_EQ(alloy.shutterTimeout, 300);
    EXPECT_EQ(alloy.outputs[0].idlePower, 0);
    EXPECT_EQ(alloy.outputs[0].material, "Gold");
    EXPECT_EQ(alloy.outputs[1].material, QString()) << "no Material: the setup's film";
    EXPECT_GT(alloy.outputs[0].idleTime, 0);

    EXPECT_EQ(r.layers[2].end, LayerEnd::SensorThickness);
    EXPECT_EQ(r.layers[2].endSensor, 3);
}

TEST(RecipeFile, AnalogOutputsAreNumberedAsTheWindowShowsThem)
{
    const RecipeLoad load =
        Parse(With("Outputs=1, 2", "Outputs=1,2,5").append("[LAYER2 OUTPUT5]\nRate=1\n"));
    ASSERT_TRUE(load.recipe) << load.error.toStdString();
    EXPECT_EQ(load.recipe->layers[1].outputs[2].slot, 12);
}

TEST(RecipeFile, WrittenRecipeReadsBackTheSame)
{
    const Recipe original = *Parse(GoodRecipe()).recipe;
    QTemporaryDir dir;
    const QString path = dir.filePath("copy.rcp");
    ASSERT_TRUE(WriteRecipe(original, path));
    const RecipeLoad back = ReadRecipe(path);
    ASSERT_TRUE(back.recipe) << back.error.toStdString();
    EXPECT_EQ(RecipeText(*back.recipe), RecipeText(original));
    ASSERT_EQ(back.recipe->layers.size(), 3u);
    EXPECT_EQ(back.recipe->layers[1].outputs[1].ramps[0].rate, 10);
    EXPECT_EQ(back.recipe->layers[2].endSensor, 3);
    EXPECT_EQ(back.recipe->layers[0].outputs[0].preSteps[0].riseTime, 10);
    EXPECT_EQ(back.recipe->layers[1].outputs[0].material, "Gold");
    EXPECT_EQ(RecipeText(original).count("Material="), 1);
}

TEST(RecipeFile, ShippedExampleIsAGoodRecipe)
{
    const RecipeLoad load = ReadRecipe(QStringLiteral(TLV_EXAMPLE_RECIPE));
    ASSERT_TRUE(load.recipe) << load.error.toStdString();
    ASSERT_EQ(load.recipe->layers.size(), 3u);
    EXPECT_EQ(load.recipe->layers[1].outputs.size(), 2u);
    // It runs on the two outputs of the demonstration setup.
    auto outputs12 = [](int slot) { return slot == 0 || slot == 1; };
    EXPECT_TRUE(
        CheckRecipeAgainstCards(*load.recipe, "Example.rcp", outputs12, outputs12).isEmpty());
}

TEST(RecipeFile, MissingOrUnreadableFilesAreRefused)
{
    QTemporaryDir dir;
    EXPECT_NE(ReadRecipe(dir.filePath("none.rcp")).error.indexOf("does not exist"), -1);
    EXPECT_FALSE(ReadRecipe(dir.path()).recipe);
    EXPECT_NE(Parse("[OUTPUT1]\nMode=3\n").error.indexOf("not a recipe"), -1);
}

struct BadRecipe {
    const char* what;
    QByteArray text;
    const char* where;   // the layer and section the message must name
    const char* key;     // the key it must name (empty: section-level)
    const char* message; // a part of the explanation
};

class RecipeRefusal : public ::testing::TestWithParam<BadRecipe> {};

TEST_P(RecipeRefusal, NamesFileLayerAndKey)
{
    const BadRecipe& bad = GetParam();
    const RecipeLoad load = Parse(bad.text);
    ASSERT_FALSE(load.recipe) << bad.what;
    const std::string error = load.error.toStdString();
    EXPECT_EQ(error.rfind("stack.rcp: ", 0), 0u) << error;
    EXPECT_NE(error.find(bad.where), std::string::npos) << error;
    if (*bad.key) {
        EXPECT_NE(error.find(std::string("key ") + bad.key + ":"), std::string::npos) << error;
    }
    EXPECT_NE(error.find(bad.message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    MissingKeys, RecipeRefusal,
    ::testing::Values(
        BadRecipe{"no layer count", With("Layers=3", ""), "[RECIPE]", "Layers", "missing"},
        BadRecipe{"no outputs", With("Outputs=2", ""), "layer 3 \"Cap\", [LAYER3]", "Outputs",
                  "missing"},
        BadRecipe{"no rate", With("Rate=3", ""), "[LAYER3 OUTPUT2]", "Rate", "missing"},
        BadRecipe{"end output without thickness", With("EndThick=0.5", ""),
                  "layer 2 \"Alloy\", [LAYER2]", "EndThick", "missing"},
        BadRecipe{"incomplete step", With("Soak2Time=2", ""), "[LAYER1 OUTPUT1]", "Soak2Time",
                  "missing"},
        BadRecipe{"incomplete ramp", With("Ramp1Time=10", ""), "[LAYER2 OUTPUT2]", "Ramp1Time",
                  "missing"},
        BadRecipe{"time-power without averaging", With("PowerAverage=8", ""), "[LAYER2]",
                  "PowerAverage", "missing"},
        BadRecipe{"missing layer section", With("Layers=3", "Layers=4"), "layer 4", "",
                  "section is missing"},
        BadRecipe{"missing output section", With("Outputs=2", "Outputs=2,3"), "[LAYER3 OUTPUT3]",
                  "", "section is missing"}));

INSTANTIATE_TEST_SUITE_P(
    UnknownKeysAndSections, RecipeRefusal,
    ::testing::Values(
        BadRecipe{"misspelt key", With("Rate=4", "Rte=4"), "[LAYER2 OUTPUT1]", "Rte",
                  "unknown key"},
        BadRecipe{"output key in the layer", With("EndTime=30", "EndTime=30\nRate=3"), "[LAYER1]",
                  "Rate", "unknown key"},
        BadRecipe{"key given twice", With("Rate=2", "Rate=2\nrate=3"), "[LAYER1 OUTPUT1]", "rate",
                  "given twice"},
        BadRecipe{"third step", With("Soak2Time=2", "Soak2Time=2\nRise3Power=5"),
                  "[LAYER1 OUTPUT1]", "Rise3Power", "unknown key"},
        BadRecipe{"layer beyond the count", With("Layers=3", "Layers=2"), "[LAYER3]", "",
                  "unknown section"},
        BadRecipe{"output section not in Outputs", GoodRecipe() + "[LAYER1 OUTPUT2]\nRate=1\n",
                  "layer 1 \"Adhesion\", [LAYER1 OUTPUT2]", "", "not one of the layer's Outputs"},
        BadRecipe{"unknown policy", With("CrystalFailure=TimePower", "CrystalFailure=Ignore"),
                  "[LAYER2]", "CrystalFailure", "neither Stop nor TimePower"}));

INSTANTIATE_TEST_SUITE_P(
    ValuesOutsideTheWindowsLimits, RecipeRefusal,
    ::testing::Values(
        BadRecipe{"rate above the maximum", With("Rate=4", "Rate=1000"), "[LAYER2 OUTPUT1]", "Rate",
                  "Rate must be between 0 and 999.9 !"},
        BadRecipe{"rate zero", With("Rate=4", "Rate=0"), "[LAYER2 OUTPUT1]", "Rate",
                  "greater than 0"},
        BadRecipe{"negative rate", With("Ramp1Rate=10", "Ramp1Rate=-1"), "[LAYER2 OUTPUT2]",
                  "Ramp1Rate", "Rate must be between"},
        BadRecipe{"thickness above the maximum", With("EndThick=0.1", "EndThick=1000"), "[LAYER3]",
                  "EndThick", "Thickness must be between 0 and 999.9 !"},
        BadRecipe{"power above 100 %", With("Rise1Power=20", "Rise1Power=100.5"),
                  "[LAYER1 OUTPUT1]", "Rise1Power", "Power must be between 0 and 100 !"},
        BadRecipe{"idle power negative", With("IdlePower=5", "IdlePower=-5"), "[LAYER1 OUTPUT1]",
                  "IdlePower", "Power must be between"},
        BadRecipe{"idle stepped", With("IdleTime=4", "IdleTime=0"), "[LAYER1 OUTPUT1]", "IdleTime",
                  "ramped"},
        BadRecipe{"not a number", With("Rate=2", "Rate=2 A/s"), "[LAYER1 OUTPUT1]", "Rate",
                  "not a number"},
        BadRecipe{"empty value", With("Rate=2", "Rate="), "[LAYER1 OUTPUT1]", "Rate", "no value"},
        BadRecipe{"time-out shorter than the hold", With("ShutterTimeout=60", "ShutterTimeout=2"),
                  "[LAYER1]", "ShutterTimeout", "longer than ShutterHold"},
        BadRecipe{"no tolerance", With("ShutterTolerance=10", "ShutterTolerance=0"), "[LAYER1]",
                  "ShutterTolerance", "greater than 0"},
        BadRecipe{"fractional layer count", With("Layers=3", "Layers=2.5"), "[RECIPE]", "Layers",
                  "whole number"},
        BadRecipe{"too many layers", With("Layers=3", "Layers=100"), "[RECIPE]", "Layers",
                  "between 1 and 99"}));

INSTANTIATE_TEST_SUITE_P(
    OutputsEndsAndRamps, RecipeRefusal,
    ::testing::Values(
        BadRecipe{"output 7", With("Outputs=2", "Outputs=7"), "[LAYER3]", "Outputs",
                  "not an output"},
        BadRecipe{"output named twice", With("Outputs=1, 2", "Outputs=1, 2, 1"), "[LAYER2]",
                  "Outputs", "named twice"},
        BadRecipe{"no end", With("EndTime=30", ""), "layer 1 \"Adhesion\", [LAYER1]", "",
                  "has no end"},
        BadRecipe{"two ends", With("EndTime=30", "EndTime=30\nEndSensor=1"), "[LAYER1]", "EndTime",
                  "more than one end"},
        BadRecipe{"end on an output not in the layer", With("EndOutput=2", "EndOutput=3"),
                  "[LAYER2]", "EndOutput", "not one of the layer's Outputs"},
        BadRecipe{"sensor 9", With("EndSensor=3", "EndSensor=9"), "[LAYER3]", "EndSensor",
                  "between 1 and 8"},
        BadRecipe{"thickness with a time end", With("EndTime=30", "EndTime=30\nEndThick=1"),
                  "[LAYER1]", "EndThick", "takes no EndThick"},
        BadRecipe{"ramp starting past the end", With("Ramp1Thick=0.2", "Ramp1Thick=0.6"),
                  "[LAYER2 OUTPUT2]", "Ramp1Thick", "past the layer's end"},
        // 0.2 kÅ at 5 Å/s, then 10 s ramping to 10 Å/s adds 75 Å: ends at 0.275 kÅ > 0.25.
        BadRecipe{"ramp ending past the end", With("EndThick=0.5", "EndThick=0.25"),
                  "[LAYER2 OUTPUT2]", "Ramp1Thick", "past the layer's end"},
        // Output 1 of the time-ended first layer reaches 0.1 kÅ after 50 s of a 30 s layer.
        BadRecipe{"ramp past a time end",
                  With("IdlePower=5", "Ramp1Thick=0.1\nRamp1Rate=3\n"
                                      "Ramp1Time=5"),
                  "[LAYER1 OUTPUT1]", "Ramp1Thick", "past the layer's end"},
        BadRecipe{"second ramp before the first ended",
                  With("Ramp1Time=10", "Ramp1Time=10\nRamp2Thick=0.21\nRamp2Rate=2\nRamp2Time=1"),
                  "[LAYER2 OUTPUT2]", "Ramp2Thick", "before ramp 1 has ended"},
        BadRecipe{"a material without a name", With("Material= Gold ", "Material= "),
                  "layer 2 \"Alloy\", [LAYER2 OUTPUT1]", "Material", "no value"},
        BadRecipe{
            "second step without the first",
            With("Rise1Power=20", "").replace("Rise1Time=10\n", "").replace("Soak1Time=5\n", ""),
            "[LAYER1 OUTPUT1]", "Rise2Power", "without step 1"},
        BadRecipe{"second ramp without the first",
                  With("Ramp1Thick=0.2\nRamp1Rate=10\nRamp1Time=10",
                       "Ramp2Thick=0.2\nRamp2Rate=10\nRamp2Time=10"),
                  "[LAYER2 OUTPUT2]", "Ramp2Thick", "ramp 2 is given without ramp 1."},
        BadRecipe{"a step short of a key names the step's keys", With("Soak2Time=2", ""),
                  "[LAYER1 OUTPUT1]", "Soak2Time",
                  "the key is missing (a step needs Rise2Power, Rise2Time, Soak2Time)."},
        BadRecipe{"a ramp short of a key names the ramp's keys", With("Ramp1Rate=10", ""),
                  "[LAYER2 OUTPUT2]", "Ramp1Rate",
                  "the key is missing (a ramp needs Ramp1Thick, Ramp1Rate, Ramp1Time)."}));

TEST(RecipeFile, OutputsAndSensorsMustBeOnTheInstalledCards)
{
    const Recipe recipe = *Parse(GoodRecipe()).recipe;
    auto all = [](int) { return true; };
    EXPECT_TRUE(CheckRecipeAgainstCards(recipe, kPath, all, all).isEmpty());

    const QString noOutput2 = CheckRecipeAgainstCards(
        recipe, kPath, [](int slot) { return slot != 1; }, all);
    EXPECT_EQ(noOutput2, "stack.rcp: layer 2 \"Alloy\", [LAYER2] key Outputs: output 2 is not on "
                         "the installed cards.");

    const QString noSensor3 =
        CheckRecipeAgainstCards(recipe, kPath, all, [](int sensor) { return sensor < 2; });
    EXPECT_NE(noSensor3.indexOf("layer 3 \"Cap\", [LAYER3] key EndSensor: sensor 3"), -1);
}

TEST(RecipeFile, AMaterialMustBeInTheMaterialTable)
{
    const Recipe recipe = *Parse(GoodRecipe()).recipe;
    QStringList asked;
    const auto only = [&asked](const QString& known) {
        return [&asked, known](const QString& name) {
            asked << name;
            return name == known;
        };
    };
    EXPECT_TRUE(CheckRecipeMaterials(recipe, kPath, only("Gold")).isEmpty());
    EXPECT_EQ(asked, QStringList{"Gold"}) << "outputs without a Material are not looked up";
    EXPECT_EQ(CheckRecipeMaterials(recipe, kPath, only("Silver")),
              "stack.rcp: layer 2 \"Alloy\", [LAYER2 OUTPUT1] key Material: \"Gold\" is not in "
              "the material table.");
}

TEST(RecipePlan, RampsShapeTheTimeToReachAThickness)
{
    const RecipeLayer alloy = Parse(GoodRecipe()).recipe->layers[1];
    const LayerOutput& out2 = alloy.outputs[1];
    // 200 Å at 5 Å/s (40 s), 10 s ramping to 10 Å/s (75 Å), then 225 Å at 10 Å/s (22.5 s).
    EXPECT_DOUBLE_EQ(PlannedRampStart(out2, 0), 40);
    EXPECT_DOUBLE_EQ(PlannedThickness(out2, 50), 275);
    EXPECT_DOUBLE_EQ(PlannedRate(out2, 45), 7.5);
    EXPECT_NEAR(PlannedTimeToThickness(out2, 500), 72.5, 1e-9);
    EXPECT_NEAR(PlannedDepositTime(alloy), 72.5, 1e-9);
    // Within the ramp the thickness grows as the quadratic of the rising rate.
    EXPECT_NEAR(PlannedTimeToThickness(out2, PlannedThickness(out2, 45)), 45, 1e-9);
    EXPECT_TRUE(std::isinf(PlannedRampStart(out2, 1)));

    const RecipeLayer adhesion = Parse(GoodRecipe()).recipe->layers[0];
    EXPECT_DOUBLE_EQ(PlannedPreConditionTime(adhesion), 21);
    EXPECT_DOUBLE_EQ(PlannedLayerTime(adhesion), 21 + 3 + 30 + 4);
}

} // namespace
} // namespace coflux
