#include "shell/CommandRunner.h"

#include <exception>
#include <new>
#include <utility>

#include <QThread>

#include "platform/UserError.h"
#include "platform/UserInterface.h"

namespace tavorin::shell {
namespace {

// Runs the command; whatever escapes it is told to the user instead of ending the process.
void RunReportingFailures(const std::function<void()>& command) {
    using platform::MessageKind;
    try {
        command();
    } catch (const UserError& error) {
        platform::ShowMessage(error.what(), MessageKind::Error);
    } catch (const std::bad_alloc&) {
        platform::ShowMessage("Not enough memory for this command.", MessageKind::Error);
    } catch (const std::exception& error) {
        platform::ShowMessage(error.what(), MessageKind::Error);
    } catch (...) {
        platform::ShowMessage("The command failed.", MessageKind::Error);
    }
}

}  // namespace

CommandRunner::CommandRunner(QObject* parent) : QObject(parent) {}

CommandRunner::~CommandRunner() {
    if (thread_ == nullptr) return;
    thread_->wait();
    delete thread_;
}

bool CommandRunner::Start(std::function<void()> command) {
    if (thread_ != nullptr) return false;
    thread_ = QThread::create([command = std::move(command)] { RunReportingFailures(command); });
    connect(thread_, &QThread::finished, this, &CommandRunner::OnThreadFinished,
            Qt::QueuedConnection);
    emit runningChanged(true);
    thread_->start();
    return true;
}

void CommandRunner::OnThreadFinished() {
    if (thread_ == nullptr) return;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    emit runningChanged(false);
}

}  // namespace tavorin::shell
