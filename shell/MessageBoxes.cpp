#include "shell/MessageBoxes.h"

#include <utility>

#include <QMessageBox>

namespace tavorin::shell {
namespace {

MessageBoxHandler& InstalledHandler() {
    static MessageBoxHandler handler;
    return handler;
}

void ShowModalBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(platform::kApplicationName), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace

void ShowMessageBox(QWidget* parent, const QString& text, platform::MessageKind kind) {
    const MessageBoxHandler& handler = InstalledHandler();
    if (handler) {
        handler(parent, text, kind);
        return;
    }
    ShowModalBox(parent, text);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(InstalledHandler(), std::move(handler));
}

}  // namespace tavorin::shell
