// Private window messages inside the program on Qt: a posted message is a CMessageEvent queued
// with QCoreApplication::postEvent (safe from any thread); a sent message is a direct call on the
// GUI thread. A window that takes messages derives from CMessageWindow next to its QWidget base,
// dispatches by code in WindowProc, and forwards its event() to DispatchMessageEvent.
#pragma once

#include <QEvent>
#include <QObject>

#include "platform/message.h"

namespace vt {

class CMessageEvent : public QEvent {
 public:
  CMessageEvent(uint32_t msg, WPARAM wParam, LPARAM lParam)
      : QEvent(EventType()), m_msg(msg), m_wParam(wParam), m_lParam(lParam) {}
  static QEvent::Type EventType();
  uint32_t m_msg;
  WPARAM m_wParam;
  LPARAM m_lParam;
};

class CMessageWindow : public IMessageTarget {
 public:
  // self: the QObject that receives the posted events (usually the widget deriving from this).
  explicit CMessageWindow(QObject* self) : m_self(self) {}
  bool Post(uint32_t msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT Send(uint32_t msg, WPARAM wParam, LPARAM lParam) override { return WindowProc(msg, wParam, lParam); }
  // Handles one message; returns its result.
  virtual LRESULT WindowProc(uint32_t msg, WPARAM wParam, LPARAM lParam) = 0;
  // Call from event(): true when e was a message and has been handled.
  bool DispatchMessageEvent(QEvent* e);
  // Drops every message still queued for this window.
  void RemovePosted();

 private:
  QObject* m_self;
};

// The application's main window as a message target (the recipient of the status-text,
// fit-to-video, video-size and progress messages); null until the main window exists.
IMessageTarget* GetMainWndTarget();
void SetMainWndTarget(IMessageTarget* target);

}  // namespace vt
