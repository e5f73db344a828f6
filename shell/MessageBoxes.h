#pragma once

#include <functional>

#include <QString>

#include "platform/UserInterface.h"

class QWidget;

// Every message box of the desktop application goes through ShowMessageBox, so that the tests
// can record the texts instead of waiting for a click.
namespace tavorin::shell {

using MessageBoxHandler =
    std::function<void(QWidget* parent, const QString& text, platform::MessageKind kind)>;

// A modal box with caption "TAVORIN", an exclamation icon and an OK button (the framework of
// the original adds that icon to every OK box without one).
void ShowMessageBox(QWidget* parent, const QString& text,
                    platform::MessageKind kind = platform::MessageKind::Error);

// Replaces the modal box; an empty handler restores it. Returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace tavorin::shell
