#include "shell/CParameterDialog.h"

#include <algorithm>
#include <string>
#include <utility>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QStringList>

#include "driver/ParameterCheck.h"
#include "driver/ParameterTable.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"
#include "shell/DialogUnits.h"
#include "shell/MessageBoxes.h"

namespace tavorin::shell {
namespace {

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

// An open-file dialog with no filter and no initial name; the file need not exist, since the
// output path is chosen with the same dialog.
std::optional<QString> ChooseFileWithDialog(QWidget* parent) {
    QFileDialog dialog(parent, QString::fromUtf8("打开"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

}  // namespace

CParameterDialog::CParameterDialog(QWidget* parent)
    : QDialog(parent), fileChooser_(ChooseFileWithDialog) {
    setWindowTitle(QStringLiteral("QUELDRA"));
    CreateControls();
    BindNumericFields();
    UpdateData(false);
}

int CParameterDialog::DoModal() { return exec(); }

void CParameterDialog::SetFileChooser(FileChooser chooser) {
    fileChooser_ = chooser ? std::move(chooser) : FileChooser(ChooseFileWithDialog);
}

QLineEdit* CParameterDialog::AddEdit(const char* name, int x, int y, int width, int height) {
    const DialogUnits units(font());
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(units.ToPixels(x, y, width, height));
    return edit;
}

void CParameterDialog::CreateControls() {
    const DialogUnits units(font());
    const auto addGroup = [&](const char* title, int x, int y, int width, int height) {
        auto* group = new QGroupBox(QString::fromLatin1(title), this);
        group->setGeometry(units.ToPixels(x, y, width, height));
    };
    const auto addLabel = [&](const char* text, int x, int y, int width, int height) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        QRect area = units.ToPixels(x, y, width, height);
        // Fonts wider than the original's must not cut a label short.
        area.setWidth(std::max(area.width(), label->sizeHint().width()));
        label->setGeometry(area);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    };
    const auto addButton = [&](const char* name, const char* text, int x, int y, int width,
                               int height) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(units.ToPixels(x, y, width, height));
        button->setAutoDefault(false);
        return button;
    };

    // Group boxes first, so that the controls inside them are drawn on top.
    addGroup("Basic Parameter", 7, 7, 191, 64);
    addGroup("Global Search", 7, 76, 190, 49);
    addGroup("Local Search", 7, 132, 188, 49);

    addLabel("Input Path", 14, 16, 33, 17);
    inputPathEdit_ = AddEdit("inputPath", 77, 16, 90, 13);
    inputPathEdit_->setReadOnly(true);
    QPushButton* browseInput = addButton("browseInput", "...", 174, 18, 15, 10);
    addLabel("Output Path", 14, 34, 55, 17);
    outputPathEdit_ = AddEdit("outputPath", 77, 32, 90, 13);
    outputPathEdit_->setReadOnly(true);
    QPushButton* browseOutput = addButton("browseOutput", "...", 174, 33, 15, 10);
    addLabel(RuleOf(ParameterField::ClusterNumber).label, 14, 53, 59, 12);
    clusterNumberEdit_ = AddEdit("clusterNumber", 77, 51, 90, 13);

    addLabel(RuleOf(ParameterField::PopSize).label, 14, 91, 59, 17);
    popSizeEdit_ = AddEdit("popSize", 77, 89, 90, 13);
    addLabel(RuleOf(ParameterField::IGenerations).label, 14, 107, 59, 17);
    iGenerationsEdit_ = AddEdit("iGenerations", 77, 108, 89, 13);

    addLabel(RuleOf(ParameterField::FLS).label, 16, 147, 17, 13);
    flsEdit_ = AddEdit("FLS", 35, 146, 25, 13);
    addLabel(RuleOf(ParameterField::GLS_delta).label, 73, 147, 33, 13);
    glsDeltaEdits_[0] = AddEdit("GLS_delta0", 111, 146, 25, 13);
    glsDeltaEdits_[1] = AddEdit("GLS_delta1", 142, 146, 25, 13);
    glsDeltaEdits_[2] = AddEdit("GLS_delta2", 111, 164, 25, 13);
    glsDeltaEdits_[3] = AddEdit("GLS_delta3", 142, 164, 25, 13);

    QPushButton* ok = addButton("ok", "OK", 36, 188, 50, 14);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    QPushButton* cancel = addButton("cancel", "Cancel", 114, 188, 50, 14);

    connect(browseInput, &QPushButton::clicked, this, &CParameterDialog::OnBrowseInput);
    connect(browseOutput, &QPushButton::clicked, this, &CParameterDialog::OnBrowseOutput);
    connect(ok, &QPushButton::clicked, this, &CParameterDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CParameterDialog::reject);

    setFixedSize(units.ToPixels(212, 217));
}

void CParameterDialog::BindNumericFields() {
    // The order of the platform's data exchange, which is the table's: a failure stops at the
    // first bad text.
    numericBindings_.clear();
    for (const ParameterRule& rule : kParameterRules) {
        for (int entry = 0; entry < rule.entries; ++entry) {
            numericBindings_.push_back(
                {EditOfField(rule.field, entry), SlotOf(parameters_, rule.field, entry)});
        }
    }
}

bool CParameterDialog::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        inputPathEdit_->setText(ToQString(parameters_.inputPath));
        outputPathEdit_->setText(ToQString(parameters_.outputPath));
        for (const NumericBinding& binding : numericBindings_) {
            const ParameterSlot& target = binding.target;
            const std::string text = target.integer ? platform::formatInt(*target.integer)
                                                    : platform::formatGeneral(*target.number, 15);
            binding.edit->setText(ToQString(text));
        }
        return true;
    }

    parameters_.inputPath = inputPathEdit_->text().toStdString();
    parameters_.outputPath = outputPathEdit_->text().toStdString();
    for (const NumericBinding& binding : numericBindings_) {
        const std::string text = binding.edit->text().toStdString();
        const ParameterSlot& target = binding.target;
        bool parsed = false;
        if (target.integer) {
            if (const auto value = platform::parseInt32(text)) {
                *target.integer = *value;
                parsed = true;
            }
        } else if (const auto value = platform::parseDouble(text)) {
            *target.number = *value;
            parsed = true;
        }
        if (!parsed) {
            ShowMessageBox(this,
                           QString::fromUtf8(target.integer ? kIntegerMessage : kNumberMessage));
            binding.edit->setFocus();
            binding.edit->selectAll();
            return false;
        }
    }
    return true;
}

QLineEdit* CParameterDialog::EditOfField(ParameterField field, int entry) const {
    switch (field) {
        case ParameterField::ClusterNumber:
            return clusterNumberEdit_;
        case ParameterField::PopSize:
            return popSizeEdit_;
        case ParameterField::IGenerations:
            return iGenerationsEdit_;
        case ParameterField::FLS:
            return flsEdit_;
        case ParameterField::GLS_delta:
            return glsDeltaEdits_[entry >= 0 && entry < 4 ? entry : 0];
    }
    return clusterNumberEdit_;
}

bool CParameterDialog::CheckRanges() {
    const std::optional<ParameterProblem> problem = FindParameterProblem(parameters_);
    if (!problem) return true;
    QString message;
    try {
        CheckRunParameters(parameters_);
    } catch (const UserError& error) {
        message = QString::fromStdString(error.what());
    }
    ShowMessageBox(this, message);
    QLineEdit* edit = EditOfField(problem->field, problem->index);
    edit->setFocus();
    edit->selectAll();
    return false;
}

void CParameterDialog::accept() {
    if (!UpdateData(true)) return;
    if (!CheckRanges()) return;
    QDialog::accept();
}

void CParameterDialog::Browse(std::string& target, QLineEdit* edit) {
    // The texts are taken in first, as the original did, so a bad number is reported here;
    // the browse goes on regardless.
    UpdateData(true);
    const std::optional<QString> chosen = fileChooser_(this);
    if (!chosen || chosen->isEmpty()) return;
    target = chosen->toStdString();
    // Only the chosen path is written back: the numbers keep the texts as typed, so nothing
    // the user entered is replaced behind their back.
    edit->setText(*chosen);
    // The logs and "FinalPF.txt" are written into the current directory, which follows the
    // folder of the last file chosen.
    QDir::setCurrent(QFileInfo(*chosen).absolutePath());
}

void CParameterDialog::OnBrowseInput() { Browse(parameters_.inputPath, inputPathEdit_); }

void CParameterDialog::OnBrowseOutput() { Browse(parameters_.outputPath, outputPathEdit_); }

}  // namespace tavorin::shell
