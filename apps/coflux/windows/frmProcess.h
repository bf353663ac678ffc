#pragma once
// frmProcess: the "Process" window of coflux. Loads a recipe, lists its layers and their
// phases with the current one marked, shows the elapsed and the estimated remaining time and a
// progress bar per depositing output toward its end, and starts and aborts the run (each after
// a question through the dialog service). It shows and forwards: the run is the session's.

#include <QWidget>

#include <array>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace coflux {

class RecipeSession;

class frmProcess : public QWidget {
    Q_OBJECT
public:
    // The session must outlive the window.
    explicit frmProcess(RecipeSession& session, QWidget* parent = nullptr);

    // The commands of the buttons, public so that tests and scripted use drive them like clicks.
    void cmdLoad_Click();
    void cmdStart_Click();
    void cmdAbort_Click();
    // Loads a recipe file without the file dialog; a refused file shows its message.
    bool LoadFile(const QString& path);
    // Starts the loaded recipe without asking (the command line asked); a refusal shows its
    // message.
    void StartWithoutQuestion();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FillLayers();
    void ShowProgress();
    void MarkPhase();
    void UpdateButtons();
    void ShowStatus(const QString& text);
    QTreeWidgetItem* PhaseItem(int layer, int phase) const;

    RecipeSession& m_session;
    QPushButton* m_cmdLoad = nullptr;
    QPushButton* m_cmdStart = nullptr;
    QPushButton* m_cmdAbort = nullptr;
    QLabel* m_lblRecipe = nullptr;
    QLabel* m_lblElapsed = nullptr;
    QLabel* m_lblRemaining = nullptr;
    QLabel* m_lblLayerRemaining = nullptr; // the current layer's time left and share done
    QLabel* m_lblStatus = nullptr;
    QTreeWidget* m_lstLayers = nullptr;
    // Outputs 1..6 as shown: a label and a bar each, visible while the output deposits.
    std::array<QLabel*, 6> m_lblOutput{};
    std::array<QProgressBar*, 6> m_prgOutput{};
};

} // namespace coflux
