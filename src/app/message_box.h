// The program's three message-box operations. Every box carries the program's caption; before
// the main window exists the by-key and plain-text boxes say "Vantor Player" while the by-id box
// shows the title as it stands (still empty then). The application object supplies its title,
// main window and text look-ups through SetMessageBoxContext; tests replace the display.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace vt {

class CLangText;

constexpr const char* kNoWindowCaption = "Vantor Player";

enum class MessageBoxKind { kByKey, kById, kText };

// Caption for a box of this kind. hasMainWindow: a main window with a window handle exists.
std::string MessageBoxCaption(MessageBoxKind kind, bool hasMainWindow, const std::string& title);

struct MessageBoxContext {
  std::function<std::string()> title;               // the application's m_strTitle
  std::function<QWidget*()> mainWindow;             // the main window once it is created, else null
  std::function<std::string(const char*, int)> textByKey;  // language file first, then string id
  std::function<std::string(int)> textById;         // string table only
};
void SetMessageBoxContext(MessageBoxContext context);
// The context of the application object: texts from its CLangText (kept by the caller), its
// title and its main window as the getters give them.
MessageBoxContext MakeMessageBoxContext(CLangText* lang, std::function<std::string()> title,
                                        std::function<QWidget*()> mainWindow);

// One box as it is shown.
struct MessageBoxRequest {
  std::string text;
  std::string caption;
  uint32_t style = 0;         // MB_OK, MB_YESNO, MB_ICONEXCLAMATION bits
  QWidget* owner = nullptr;   // null: no owner
};
// Shows the box and answers IDOK, IDYES or IDNO. Empty restores the real QMessageBox.
using MessageBoxDisplay = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxDisplay(MessageBoxDisplay display);

// The real display: a QMessageBox with the style's icon and buttons.
int ShowQtMessageBox(const MessageBoxRequest& request);

int MessageBoxByKey(const char* key, int stringId, uint32_t style);
// The text MessageBoxByKey would show, for a box that adds to it.
std::string MessageTextByKey(const char* key, int stringId);
int MessageBoxById(int stringId, uint32_t style);
int MessageBoxText(const std::string& text, uint32_t style);

}  // namespace vt
