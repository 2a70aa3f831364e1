// Help...: the PDF manual in the desktop's viewer when one takes it, else the manual in a help
// window of our own, else the message that no PDF reader is installed. Never waits: the
// viewer's answer is awaited on a timer.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "help/external_opener.h"

class QTimer;
class QWidget;

namespace vt {

class CHelpWindow;

inline constexpr const char* kManualPdf = "manual.pdf";
inline constexpr const char* kManualSource = "manual.md";

struct HelpSources {
  QString pdf;       // given to the opener
  QString markdown;  // shown in the help window
  std::string opener = kDesktopOpener;
  int graceMs = kOpenerGraceMs;
};

// The manual's files in the program folder.
HelpSources ManualInProgramFolder(const QString& programFolder);

class CHelpLauncher : public QObject {
  Q_OBJECT
 public:
  // title: of the help window. noViewer: shows that the manual cannot be displayed.
  CHelpLauncher(QString title, std::function<void()> noViewer, QWidget* owner = nullptr);
  ~CHelpLauncher() override;

  void Open(const HelpSources& sources);
  // The help window once it was needed.
  CHelpWindow* Window() const { return m_pWindow.get(); }
  // Whether an answer of the opener is still awaited.
  bool Waiting() const;

 private:
  void OnPoll();
  void ShowBuiltIn();

  QString m_strTitle;
  std::function<void()> m_noViewer;
  QWidget* m_pOwner;
  HelpSources m_sources;
  std::unique_ptr<CExternalOpener> m_pOpener;
  QTimer* m_pPoll = nullptr;
  std::unique_ptr<CHelpWindow> m_pWindow;
};

}  // namespace vt
