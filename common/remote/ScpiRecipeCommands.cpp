// The process recipe's commands of the remote interface:
//   PROC:REC:LOAD "name"   reads and checks a recipe file of the program's folder
//   PROC:REC:STAR          starts the loaded recipe
//   PROC:REC:ABOR          every output to power 0, the running recipe ends as aborted
//   PROC:REC:STAT?         <state>,<layer>,"<layer name>","<phase>",<elapsed>,"<message>"
#include "ScpiCommandTable.h"

#include "common/remote/ScpiSession.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tlv::remote::detail {

namespace {

const char* StateWord(RecipeState state)
{
    switch (state) {
    case RecipeState::Loaded:
        return "LOADED";
    case RecipeState::Running:
        return "RUNNING";
    case RecipeState::Complete:
        return "COMPLETE";
    case RecipeState::Failed:
        return "FAILED";
    case RecipeState::Aborted:
        return "ABORTED";
    case RecipeState::None:
        break;
    }
    return "NONE";
}

Outcome Load(Context& c, const Parameters& p, QByteArray&)
{
    if (p[0].kind != ScpiParameter::Kind::String) return Outcome::Error(SyntaxError);
    if (!IsBareFileName(p[0].string))
        return Outcome::Error(FileNameNotFound,
                              QStringLiteral("Give a file name without a folder"));
    return c.target.LoadRecipe(p[0].string);
}

Outcome Start(Context& c, const Parameters&, QByteArray&)
{
    return c.target.StartRecipe();
}

Outcome Abort(Context& c, const Parameters&, QByteArray&)
{
    return c.target.AbortRecipe();
}

Outcome Status(Context& c, const Parameters&, QByteArray& answer)
{
    RecipeStatus status;
    Outcome outcome = c.target.RecipeProgress(status);
    if (!outcome.ok()) return outcome;
    // Tenths of a second: the readings come a few times a second, and a time stamp difference
    // would otherwise show its rounding noise.
    const double elapsed = std::round(std::max(0.0, status.elapsed) * 10.0) / 10.0;
    answer = QByteArray(StateWord(status.state)) + ',' + QByteArray::number(status.layer) + ',' +
             QuotedText(status.layerName) + ',' + QuotedText(status.phase) + ',' +
             ScpiSession::NumberText(elapsed) + ',' + QuotedText(status.message);
    return Outcome::Ok();
}

constexpr std::array<Command, 4> kRecipeCommands{{
    {"PROCess:RECipe:LOAD", false, 1, true, Load},
    {"PROCess:RECipe:STARt", false, 0, true, Start},
    {"PROCess:RECipe:ABORt", false, 0, true, Abort},
    {"PROCess:RECipe:STATe", true, 0, false, Status},
}};

} // namespace

std::span<const Command> RecipeCommands()
{
    return kRecipeCommands;
}

} // namespace tlv::remote::detail
