// The scripted-run mode: with QUILLORY_ECHO_MESSAGES set, messages and questions are
// written to standard output and answered with their defaults, and each top-level window
// that appears is named. Without the variable nothing here changes what the program does.
#include "app/echo_mode.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <cstdio>

namespace quillory {
namespace {

class WindowEcho : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            Echo(QStringLiteral("show ") + QString::fromUtf8(watched->metaObject()->className()));
        }
        return false;
    }
};

}  // namespace

bool EchoMode() {
    static const bool on = !qEnvironmentVariableIsEmpty("QUILLORY_ECHO_MESSAGES");
    return on;
}

void Echo(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void InstallWindowEcho(QApplication& application) {
    application.installEventFilter(new WindowEcho(&application));
}

}  // namespace quillory
