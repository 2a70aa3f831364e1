// Playback > Go to Time...: a date and time for the current camera. The recording that holds it
// opens at that frame; otherwise the dialog stays, names the nearest recordings before and
// after, and offers to open either.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

#include "timeline/time_resolution.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vt {

class CGotoDialog : public QDialog {
 public:
  // initial: the time shown in the field; defaultDay: the date of a time typed alone.
  CGotoDialog(QWidget* parent, time32 initial, time32 defaultDay);

  // Opens the recording that holds t when there is one (the resolution tells).
  std::function<TimeResolution(time32 t)> resolve;
  // Opens recording index of *sequence at its end or its start.
  std::function<bool(int index, bool atEnd)> open;
  const std::vector<TimelineSpan>* sequence = nullptr;

  QLineEdit* Edit() const { return m_pEdit; }
  QLabel* Answer() const { return m_pAnswer; }
  QPushButton* BeforeButton() const { return m_pBefore; }
  QPushButton* AfterButton() const { return m_pAfter; }
  // The Go button.
  void Submit();

 private:
  void OpenNearest(bool before);

  time32 m_tDefaultDay;
  TimeResolution m_miss;
  QLineEdit* m_pEdit;
  QLabel* m_pAnswer;
  QPushButton* m_pBefore;
  QPushButton* m_pAfter;
};

}  // namespace vt
