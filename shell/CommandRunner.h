#pragma once

#include <functional>

#include <QObject>

class QThread;

namespace tavorin::shell {

// Runs one command at a time on a worker thread, so the window keeps repainting and
// responding while a search runs. A UserError the command throws is shown as a message.
class CommandRunner : public QObject {
    Q_OBJECT

  public:
    explicit CommandRunner(QObject* parent = nullptr);
    ~CommandRunner() override;  // waits for a running command: it cannot be interrupted

    // Starts `command` on a worker thread; false (and nothing started) while one runs.
    bool Start(std::function<void()> command);
    bool IsRunning() const { return thread_ != nullptr; }

  signals:
    void runningChanged(bool running);

  private slots:
    void OnThreadFinished();

  private:
    QThread* thread_ = nullptr;
};

}  // namespace tavorin::shell
