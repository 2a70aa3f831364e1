#include "app/ui_text.h"

#include <QStringDecoder>

namespace vt {

QString UiText(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString s = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError()) s = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  s.remove(QChar('\r'));
  return s;
}

}  // namespace vt
