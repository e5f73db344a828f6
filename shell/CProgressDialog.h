#pragma once

#include <string>

#include <QDialog>
#include <QString>

#include "platform/UserInterface.h"

class QLabel;
class QLineEdit;
class QProgressBar;

namespace tavorin::shell {

// The modeless progress window of one long stage: caption "QUELDRA", the stage text, a bar
// and the percentage reached. The core steps the bar (platform::ProgressWindow); this window
// only shows the state it is given. Lives on the user-interface thread.
class CProgressDialog : public QDialog, public platform::IProgressView {
    Q_OBJECT

  public:
    explicit CProgressDialog(const std::string& stageText, QWidget* parent = nullptr);

    void Update(const platform::ProgressState& state) override;

    QString stageText() const;
    QString percentText() const;
    int barMinimum() const;
    int barMaximum() const;
    int barValue() const;

  private:
    void CreateControls(const QString& stageText);

    QLabel* stageLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLineEdit* percentEdit_ = nullptr;
};

}  // namespace tavorin::shell
