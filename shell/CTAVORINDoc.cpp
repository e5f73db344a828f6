#include "shell/CTAVORINDoc.h"

#include <QFile>
#include <QIODevice>

namespace tavorin::shell {

void CTAVORINDoc::OnNewDocument() { pathName_.clear(); }

bool CTAVORINDoc::OnOpenDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    pathName_ = path;
    return true;
}

bool CTAVORINDoc::OnSaveDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    file.close();
    if (file.error() != QFileDevice::NoError) return false;
    pathName_ = path;
    return true;
}

}  // namespace tavorin::shell
