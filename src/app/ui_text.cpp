#include "app/ui_text.h"

#include "platform/codepage.h"

namespace vt {

QString UiText(const std::string& bytes) {
  QString s = QString::fromStdString(DecodeLegacyText(bytes));
  s.remove(QChar('\r'));
  return s;
}

}  // namespace vt
