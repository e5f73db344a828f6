#pragma once

#include <QDialog>

namespace tavorin::shell {

// The About box: the application icon, name, version and copyright line, and an OK button.
class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kVersion = "1.0.0.1";

    explicit CAboutDialog(QWidget* parent = nullptr);

    int DoModal() { return exec(); }
};

}  // namespace tavorin::shell
