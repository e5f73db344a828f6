#pragma once

#include <QDialog>

namespace tavorin::shell {

// The About box: the application icon, name, version and copyright line, and an OK button.
class CAboutDialog : public QDialog {
    Q_OBJECT

  public:
    // The project version set in CMake.
    static constexpr const char* kVersion = TAVORIN_VERSION;

    explicit CAboutDialog(QWidget* parent = nullptr);

    int DoModal() { return exec(); }
};

}  // namespace tavorin::shell
