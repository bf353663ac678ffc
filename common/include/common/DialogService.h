#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace tlv {

// The one path of every message box and file dialog of the programs.
//
// Normal use shows the real dialog. A test installs a handler (DialogService::ScopedHandler)
// that receives each request and returns the answer; the real dialog is then never shown.
// Every request, answered by a handler or not, is recorded (the last 1000) so tests can assert
// on the exact texts.
//
// No request can block a test: without a handler, when the Qt platform is "offscreen" or
// "minimal", or when the environment sets TLV880_DIALOGS=default, the request is answered
// automatically with its default answer (the default button; cancel for file dialogs) and a
// warning is logged. With TLV880_DIALOGS=fail an unanswered request ends the program with a
// fatal error naming the request, for tests that must answer every dialog.
//
// The service is used from the user-interface thread; recording is nevertheless thread-safe.

enum class DialogKind { Message, Question, Open, Save };

struct DialogRequest {
    DialogKind kind = DialogKind::Message; // Question when more than one button is offered
    QString title;                         // as shown (the program's title when none is given)
    QString text;                          // message text, empty for file dialogs
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // File dialogs:
    QString directory;      // folder the dialog starts in
    QString fileName;       // proposed file name (may be a full path)
    QString filter;         // Qt filter list, entries separated by ";;"
    QString selectedFilter; // the entry selected at the start
    QString defaultSuffix;  // extension added to a name typed without one
    bool confirmOverwrite = true;
};

struct DialogAnswer {
    DialogAnswer() = default;
    DialogAnswer(QMessageBox::StandardButton pressed) : button(pressed) {}
    DialogAnswer(const QString& chosenFile) : button(QMessageBox::Ok), fileName(chosenFile) {}
    DialogAnswer(const char* chosenFile) : DialogAnswer(QString::fromUtf8(chosenFile)) {}
    static DialogAnswer cancelled() { return DialogAnswer(QMessageBox::Cancel); }

    QMessageBox::StandardButton button = QMessageBox::NoButton; // message boxes
    QString fileName;       // file dialogs: the chosen path, empty when cancelled
    QString selectedFilter; // file dialogs: the filter entry chosen (may stay empty)
};

class DialogService {
public:
    using Handler = std::function<DialogAnswer(const DialogRequest&)>;

    // A message box; returns the pressed button (the Escape button, or NoButton, when the box
    // was closed without a choice). An empty title uses the program's title.
    static QMessageBox::StandardButton
    message(QWidget* parent, const QString& text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::Icon icon = QMessageBox::NoIcon, const QString& title = QString(),
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // File dialogs; return the chosen path, empty when cancelled. `selectedFilter` (may be
    // null) selects the starting entry and receives the chosen one.
    static QString getOpenFileName(QWidget* parent, const QString& title, const QString& directory,
                                   const QString& fileName, const QString& filter,
                                   QString* selectedFilter = nullptr);
    static QString getSaveFileName(QWidget* parent, const QString& title, const QString& directory,
                                   const QString& fileName, const QString& filter,
                                   QString* selectedFilter = nullptr,
                                   const QString& defaultSuffix = QString(),
                                   bool confirmOverwrite = true);

    // The general entry the calls above go through.
    static DialogAnswer request(QWidget* parent, DialogRequest request);

    // The default button of a button set: the first of Ok, Yes, Abort, Retry, Ignore, No,
    // Cancel, Close that the set holds.
    static QMessageBox::StandardButton defaultButtonOf(QMessageBox::StandardButtons buttons);

    // Requests recorded so far (oldest first) and their removal.
    static QList<DialogRequest> requests();
    static void clearRequests();

    // Installs a handler for its lifetime and restores the previous one afterwards; nesting
    // works. Also clears the recorded requests when installed.
    class ScopedHandler {
    public:
        explicit ScopedHandler(Handler handler);
        // Answers every request with the same answer.
        explicit ScopedHandler(const DialogAnswer& fixedAnswer);
        ~ScopedHandler();
        ScopedHandler(const ScopedHandler&) = delete;
        ScopedHandler& operator=(const ScopedHandler&) = delete;

    private:
        Handler m_previous;
    };
};

} // namespace tlv
