#include "app/message_box.h"

#include <QMessageBox>
#include <utility>

#include "app/lang_text.h"
#include "app/ui_text.h"
#include "platform/win_types.h"

namespace vt {

namespace {

constexpr uint32_t kButtonMask = 0x0F;
constexpr uint32_t kIconMask = 0xF0;

MessageBoxContext& Context() {
  static MessageBoxContext context;
  return context;
}

MessageBoxDisplay& Display() {
  static MessageBoxDisplay display;
  return display;
}

int Show(MessageBoxKind kind, std::string text, uint32_t style) {
  const MessageBoxContext& ctx = Context();
  MessageBoxRequest request;
  request.owner = ctx.mainWindow ? ctx.mainWindow() : nullptr;
  request.caption = MessageBoxCaption(kind, request.owner != nullptr, ctx.title ? ctx.title() : std::string());
  request.text = std::move(text);
  request.style = style;
  const MessageBoxDisplay& display = Display();
  return display ? display(request) : ShowQtMessageBox(request);
}

}  // namespace

std::string MessageBoxCaption(MessageBoxKind kind, bool hasMainWindow, const std::string& title) {
  if (kind == MessageBoxKind::kById || hasMainWindow) return title;
  return kNoWindowCaption;
}

void SetMessageBoxContext(MessageBoxContext context) { Context() = std::move(context); }

MessageBoxContext MakeMessageBoxContext(CLangText* lang, std::function<std::string()> title,
                                        std::function<QWidget*()> mainWindow) {
  MessageBoxContext ctx;
  ctx.title = std::move(title);
  ctx.mainWindow = std::move(mainWindow);
  if (lang) {
    ctx.textByKey = [lang](const char* key, int id) {
      return std::string(lang->GetTextByKey(key, static_cast<uint32_t>(id)));
    };
    ctx.textById = [lang](int id) { return std::string(lang->GetTextById(static_cast<uint32_t>(id))); };
  }
  return ctx;
}

void SetMessageBoxDisplay(MessageBoxDisplay display) { Display() = std::move(display); }

int ShowQtMessageBox(const MessageBoxRequest& request) {
  const bool yesNo = (request.style & kButtonMask) == MB_YESNO;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (request.style & kIconMask) {
    case 0x10: icon = QMessageBox::Critical; break;
    case 0x20: icon = QMessageBox::Question; break;
    case MB_ICONEXCLAMATION: icon = QMessageBox::Warning; break;
    case 0x40: icon = QMessageBox::Information; break;
    default: break;
  }
  QMessageBox box(icon, UiText(request.caption), UiText(request.text),
                  yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, request.owner);
  if (yesNo) {
    box.setDefaultButton((request.style & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  }
  box.setTextFormat(Qt::PlainText);
  const int answer = box.exec();
  if (yesNo) return answer == QMessageBox::Yes ? IDYES : IDNO;
  return IDOK;
}

int MessageBoxByKey(const char* key, int stringId, uint32_t style) {
  const MessageBoxContext& ctx = Context();
  return Show(MessageBoxKind::kByKey, ctx.textByKey ? ctx.textByKey(key, stringId) : std::string(" "), style);
}

std::string MessageTextByKey(const char* key, int stringId) {
  const MessageBoxContext& ctx = Context();
  return ctx.textByKey ? ctx.textByKey(key, stringId) : std::string(" ");
}

int MessageBoxById(int stringId, uint32_t style) {
  const MessageBoxContext& ctx = Context();
  return Show(MessageBoxKind::kById, ctx.textById ? ctx.textById(stringId) : std::string(" "), style);
}

int MessageBoxText(const std::string& text, uint32_t style) {
  return Show(MessageBoxKind::kText, text, style);
}

}  // namespace vt
