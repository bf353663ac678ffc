#pragma once
// The recipe's progress on the main window, under the output frames: the layer and its phase,
// the share of the layer done as a bar, and the times to the end of the layer and of the run
// with the time of day the run is expected to end. Hidden while no recipe runs. It shows what
// it is given (RecipeProgress's estimate); it keeps no state of the run.

#include "RecipeProgress.h"

#include <QTime>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace coflux {

class RecipeProgressStrip : public QWidget {
    Q_OBJECT
public:
    explicit RecipeProgressStrip(QWidget* parent = nullptr);

    // Shows `estimate` of a run of `layers` layers; `now` is the time of day of the reading.
    void Show(const RecipeEstimate& estimate, int layers, const QTime& now);

private:
    QLabel* m_lblLayer = nullptr;
    QProgressBar* m_prgLayer = nullptr;
    QLabel* m_lblLayerLeft = nullptr;
    QLabel* m_lblRunLeft = nullptr;
};

} // namespace coflux
