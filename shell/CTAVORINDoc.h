#pragma once

#include <QString>

namespace tavorin::shell {

// The application's document. It holds no data: saving writes an empty file and opening
// reads nothing, so only its file name changes.
class CTAVORINDoc {
  public:
    // File New: an untitled, empty document.
    void OnNewDocument();
    // File Open: the file must be readable; nothing is read from it.
    bool OnOpenDocument(const QString& path);
    // File Save: the document writes nothing, so the file is created empty.
    bool OnSaveDocument(const QString& path);

    const QString& pathName() const { return pathName_; }

  private:
    QString pathName_;
};

}  // namespace tavorin::shell
