#include "common/DialogService.h"

#include "common/ErrorReport.h"
#include "common/ProgramInfo.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMutex>

#include <bit>
#include <utility>

namespace tlv {

namespace {

constexpr qsizetype RecordLimit = 1000;

// Guards the handler and the record; neither is touched while a dialog is open.
QMutex g_mutex;
DialogService::Handler g_handler;
QList<DialogRequest> g_requests;

void record(const DialogRequest& request)
{
    QMutexLocker lock(&g_mutex);
    g_requests.append(request);
    if (g_requests.size() > RecordLimit) g_requests.remove(0, g_requests.size() - RecordLimit);
}

QString describe(const DialogRequest& request)
{
    static const char* const kinds[] = {"message", "question", "open dialog", "save dialog"};
    return QStringLiteral("%1 \"%2\": %3")
        .arg(QLatin1String(kinds[int(request.kind)]), request.title,
             request.text.isEmpty() ? request.fileName : request.text);
}

// When nobody can answer a real dialog (no display, or tests asked for it), the request gets
// its default answer at once instead of blocking.
bool answerAutomatically(const DialogRequest& request)
{
    const QByteArray mode = qgetenv("TLV880_DIALOGS");
    if (mode == "fail") qFatal("Unanswered %s", qUtf8Printable(describe(request)));
    if (mode == "default") return true;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

DialogAnswer defaultAnswer(const DialogRequest& request)
{
    if (request.kind == DialogKind::Open || request.kind == DialogKind::Save)
        return DialogAnswer::cancelled();
    return DialogAnswer(request.defaultButton);
}

DialogAnswer showMessageBox(QWidget* parent, const DialogRequest& request)
{
    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    box.setDefaultButton(request.defaultButton);
    const int result = box.exec();
    return DialogAnswer(static_cast<QMessageBox::StandardButton>(result));
}

DialogAnswer showFileDialog(QWidget* parent, const DialogRequest& request)
{
    QFileDialog dialog(parent, request.title, request.directory, request.filter);
    dialog.setAcceptMode(request.kind == DialogKind::Open ? QFileDialog::AcceptOpen
                                                          : QFileDialog::AcceptSave);
    dialog.setFileMode(request.kind == DialogKind::Open ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.selectedFilter.isEmpty()) dialog.selectNameFilter(request.selectedFilter);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return DialogAnswer::cancelled();
    DialogAnswer answer(dialog.selectedFiles().constFirst());
    answer.selectedFilter = dialog.selectedNameFilter();
    return answer;
}

// Routine errors ("Error: 6. Overflow") of the QtCore routines become message boxes as soon as
// a program links the dialog service.
void showRoutineError(const QString& text)
{
    DialogService::message(nullptr, text, QMessageBox::Ok, QMessageBox::Critical);
}
const bool g_reporterInstalled = [] {
    SetErrorReporter(&showRoutineError);
    return true;
}();

} // namespace

QMessageBox::StandardButton DialogService::defaultButtonOf(QMessageBox::StandardButtons buttons)
{
    static const QMessageBox::StandardButton order[] = {
        QMessageBox::Ok,     QMessageBox::Yes, QMessageBox::Abort,  QMessageBox::Retry,
        QMessageBox::Ignore, QMessageBox::No,  QMessageBox::Cancel, QMessageBox::Close};
    for (QMessageBox::StandardButton button : order)
        if (buttons.testFlag(button)) return button;
    return QMessageBox::NoButton;
}

DialogAnswer DialogService::request(QWidget* parent, DialogRequest request)
{
    Q_UNUSED(g_reporterInstalled);
    if (request.title.isEmpty()) request.title = Program().title;
    record(request);

    Handler handler;
    {
        QMutexLocker lock(&g_mutex);
        handler = g_handler;
    }
    if (handler) return handler(request);
    if (answerAutomatically(request)) {
        qWarning("Answered with the default: %s", qUtf8Printable(describe(request)));
        return defaultAnswer(request);
    }
    if (request.kind == DialogKind::Open || request.kind == DialogKind::Save)
        return showFileDialog(parent, request);
    return showMessageBox(parent, request);
}

QMessageBox::StandardButton DialogService::message(QWidget* parent, const QString& text,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon, const QString& title,
                                                   QMessageBox::StandardButton defaultButton)
{
    if (buttons == QMessageBox::NoButton) buttons = QMessageBox::Ok;
    DialogRequest r;
    r.kind = std::popcount(static_cast<unsigned>(buttons.toInt())) > 1 ? DialogKind::Question
                                                                       : DialogKind::Message;
    r.title = title;
    r.text = text;
    r.buttons = buttons;
    r.defaultButton = defaultButton != QMessageBox::NoButton && buttons.testFlag(defaultButton)
                          ? defaultButton
                          : defaultButtonOf(buttons);
    r.icon = icon;
    return request(parent, r).button;
}

namespace {
DialogRequest fileRequest(DialogKind kind, const QString& title, const QString& directory,
                          const QString& fileName, const QString& filter,
                          const QString* selectedFilter)
{
    DialogRequest r;
    r.kind = kind;
    r.title = title;
    r.directory = directory;
    r.fileName = fileName;
    r.filter = filter;
    if (selectedFilter) r.selectedFilter = *selectedFilter;
    r.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    r.defaultButton = QMessageBox::Cancel;
    return r;
}

QString chosenFile(const DialogAnswer& answer, QString* selectedFilter)
{
    if (answer.button == QMessageBox::Cancel || answer.fileName.isEmpty()) return QString();
    if (selectedFilter && !answer.selectedFilter.isEmpty()) *selectedFilter = answer.selectedFilter;
    return answer.fileName;
}
} // namespace

QString DialogService::getOpenFileName(QWidget* parent, const QString& title,
                                       const QString& directory, const QString& fileName,
                                       const QString& filter, QString* selectedFilter)
{
    const DialogAnswer answer = request(
        parent, fileRequest(DialogKind::Open, title, directory, fileName, filter, selectedFilter));
    return chosenFile(answer, selectedFilter);
}

QString DialogService::getSaveFileName(QWidget* parent, const QString& title,
                                       const QString& directory, const QString& fileName,
                                       const QString& filter, QString* selectedFilter,
                                       const QString& defaultSuffix, bool confirmOverwrite)
{
    DialogRequest r =
        fileRequest(DialogKind::Save, title, directory, fileName, filter, selectedFilter);
    r.defaultSuffix = defaultSuffix;
    r.confirmOverwrite = confirmOverwrite;
    return chosenFile(request(parent, r), selectedFilter);
}

QList<DialogRequest> DialogService::requests()
{
    QMutexLocker lock(&g_mutex);
    return g_requests;
}

void DialogService::clearRequests()
{
    QMutexLocker lock(&g_mutex);
    g_requests.clear();
}

DialogService::ScopedHandler::ScopedHandler(Handler handler)
{
    QMutexLocker lock(&g_mutex);
    m_previous = std::exchange(g_handler, std::move(handler));
    g_requests.clear();
}

DialogService::ScopedHandler::ScopedHandler(const DialogAnswer& fixedAnswer)
    : ScopedHandler(Handler([fixedAnswer](const DialogRequest&) { return fixedAnswer; }))
{
}

DialogService::ScopedHandler::~ScopedHandler()
{
    QMutexLocker lock(&g_mutex);
    g_handler = std::move(m_previous);
}

} // namespace tlv
