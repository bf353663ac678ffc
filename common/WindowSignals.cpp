#include "common/WindowSignals.h"

#include "common/DialogService.h"
#include "common/TerminationSignals.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace tlv {

void CloseOnTerminationSignals(QWidget& window, const QString& program,
                               std::function<void()> stopOutputs)
{
    // Owned by the application, not the window: the window may be deleted by its own close.
    auto* watch = new TerminationSignals(QCoreApplication::instance());
    QObject::connect(
        watch, &TerminationSignals::received, watch,
        [watch, program, stop = std::move(stopOutputs),
         target = QPointer<QWidget>(&window)](int signal) {
            if (watch->count() > 1) return; // the first one is already closing the program
            if (stop) stop();
            PrintLine(stderr,
                      QStringLiteral("%1: ended by %2%3")
                          .arg(program, TerminationSignals::Name(signal),
                               stop ? QStringLiteral("; the outputs were stopped.")
                                    : QStringLiteral(".")),
                      program);
            // The close runs after this handler, so a window deleted on close takes nothing
            // with it that is still in use here.
            QTimer::singleShot(0, watch, [program, target] {
                DialogService::ScopedHandler answers([program](const DialogRequest& r) {
                    if (!r.text.isEmpty()) PrintLine(stderr, program + ": " + r.text, program);
                    if (r.kind == DialogKind::Open || r.kind == DialogKind::Save)
                        return DialogAnswer::cancelled();
                    if (r.title == QLatin1String("Quitting")) return DialogAnswer(QMessageBox::No);
                    return DialogAnswer(r.defaultButton != QMessageBox::NoButton
                                            ? r.defaultButton
                                            : DialogService::defaultButtonOf(r.buttons));
                });
                if (target) target->close();
                QCoreApplication::exit(0);
            });
        });
}

} // namespace tlv
