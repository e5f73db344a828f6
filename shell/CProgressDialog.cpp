#include "shell/CProgressDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include "shell/DialogUnits.h"

namespace tavorin::shell {

CProgressDialog::CProgressDialog(const std::string& stageText, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setModal(false);
    // The caption is the same for every stage; the stage shows in the window.
    setWindowTitle(QStringLiteral("QUELDRA"));
    CreateControls(QString::fromStdString(stageText));
}

void CProgressDialog::CreateControls(const QString& stageText) {
    const DialogUnits units(font());

    auto* group = new QGroupBox(QStringLiteral("Process"), this);
    group->setGeometry(units.ToPixels(17, 22, 152, 28));

    auto* label = new QLabel(QStringLiteral("Stage:"), this);
    label->setGeometry(units.ToPixels(21, 10, 23, 13));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    stageLabel_ = new QLabel(stageText, this);
    stageLabel_->setObjectName(QStringLiteral("stageText"));
    stageLabel_->setGeometry(units.ToPixels(47, 10, 101, 11));
    stageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setGeometry(units.ToPixels(19, 31, 120, 13));
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);

    percentEdit_ = new QLineEdit(this);
    percentEdit_->setObjectName(QStringLiteral("percentText"));
    percentEdit_->setGeometry(units.ToPixels(141, 31, 21, 12));
    percentEdit_->setEnabled(false);

    setFixedSize(units.ToPixels(187, 57));
}

void CProgressDialog::Update(const platform::ProgressState& state) {
    // A range that is empty or reversed shows a full bar, as its percentage is 100%.
    const bool emptyRange = state.upper <= state.lower;
    if (emptyRange) {
        progressBar_->setRange(0, 1);
        progressBar_->setValue(1);
    } else {
        progressBar_->setRange(state.lower, state.upper);
        progressBar_->setValue(state.position);
    }
    percentEdit_->setText(QString::fromStdString(state.percentText));
}

QString CProgressDialog::stageText() const { return stageLabel_->text(); }

QString CProgressDialog::percentText() const { return percentEdit_->text(); }

int CProgressDialog::barMinimum() const { return progressBar_->minimum(); }

int CProgressDialog::barMaximum() const { return progressBar_->maximum(); }

int CProgressDialog::barValue() const { return progressBar_->value(); }

}  // namespace tavorin::shell
