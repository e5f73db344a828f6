#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QDialog>
#include <QString>

#include "driver/ParameterCheck.h"
#include "evolution/RunParameters.h"

class QLineEdit;
class QPushButton;

namespace tavorin::shell {

// The modal dialog "QUELDRA" that edits the parameters of one classification run. It starts
// from the defaults of RunParameters; the two paths change only through their "..." buttons.
// "OK" takes every edit into the parameters (a text that is not a number shows the platform's
// message, focuses that edit and keeps the dialog open), then checks the ranges.
class CParameterDialog : public QDialog {
    Q_OBJECT

  public:
    // Asks for a file; nothing when the user cancels.
    using FileChooser = std::function<std::optional<QString>(QWidget* parent)>;

    static constexpr const char* kIntegerMessage = "请键入一个整数。";
    static constexpr const char* kNumberMessage = "请键入一个数。";

    explicit CParameterDialog(QWidget* parent = nullptr);

    // Shows the dialog modally: QDialog::Accepted after a successful "OK", else Rejected.
    int DoModal();

    // The entered values; after Accepted they are the whole, checked parameter set.
    const RunParameters& parameters() const { return parameters_; }

    // Replaces the file dialog of the two browse buttons (the tests choose files this way).
    void SetFileChooser(FileChooser chooser);

    void accept() override;

  public slots:
    void OnBrowseInput();
    void OnBrowseOutput();

  private:
    struct NumericBinding {
        QLineEdit* edit;
        ParameterSlot target;  // an integer or a number of parameters_
    };

    void CreateControls();
    QLineEdit* AddEdit(const char* name, int x, int y, int width, int height);
    void BindNumericFields();

    // Exchanges the parameters with the controls: true takes the texts into the parameters
    // (stopping at the first text that does not parse), false writes the parameters out.
    bool UpdateData(bool saveAndValidate);
    bool CheckRanges();
    QLineEdit* EditOfField(ParameterField field, int entry) const;
    void Browse(std::string& target, QLineEdit* edit);

    RunParameters parameters_;
    FileChooser fileChooser_;
    QLineEdit* inputPathEdit_ = nullptr;
    QLineEdit* outputPathEdit_ = nullptr;
    QLineEdit* clusterNumberEdit_ = nullptr;
    QLineEdit* popSizeEdit_ = nullptr;
    QLineEdit* iGenerationsEdit_ = nullptr;
    QLineEdit* flsEdit_ = nullptr;
    QLineEdit* glsDeltaEdits_[4] = {nullptr, nullptr, nullptr, nullptr};
    std::vector<NumericBinding> numericBindings_;
};

}  // namespace tavorin::shell
