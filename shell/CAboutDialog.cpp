#include "shell/CAboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "shell/DialogUnits.h"
#include "shell/ToolbarIcons.h"

namespace tavorin::shell {

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("关于 TAVORIN"));
    const DialogUnits units(font());

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setGeometry(units.ToPixels(11, 17, 20, 20));

    auto* name =
        new QLabel(QString::fromUtf8("TAVORIN %1 版").arg(QString::fromLatin1(kVersion)), this);
    name->setObjectName(QStringLiteral("versionText"));
    name->setGeometry(units.ToPixels(40, 10, 119, 8));

    auto* copyright = new QLabel(QString::fromUtf8("版权所有 (C)"), this);
    copyright->setGeometry(units.ToPixels(40, 25, 119, 8));

    auto* ok = new QPushButton(QString::fromUtf8("确定"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(units.ToPixels(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(units.ToPixels(235, 55));
}

}  // namespace tavorin::shell
