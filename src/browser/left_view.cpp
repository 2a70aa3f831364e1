#include "browser/left_view.h"

#include <QPalette>
#include <QResizeEvent>

namespace vt {

LeftPaneLayout ComputeLeftPaneLayout(bool remoteViewer, int cx, int cy, int comboHeight) {
  LeftPaneLayout l;
  if (remoteViewer) {
    l.bComboVisible = false;
    l.rcTree = QRect(0, 0, cx, cy);
    return l;
  }
  l.rcCombo = QRect(0, 0, cx, comboHeight);
  l.rcTree = QRect(0, comboHeight + kTreeGap, cx, std::max(0, cy - comboHeight - kTreeGap));
  return l;
}

CLeftView::CLeftView(bool remoteViewer, QWidget* parent)
    : QWidget(parent), m_bRemoteViewer(remoteViewer) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  m_pCombo = new CCameraCombo(this);
  m_pTree = new CRecordTree(this);
  m_pCombo->setVisible(!m_bRemoteViewer);
  // The keyboard given to the left view (after each fit to the video) goes to the tree.
  setFocusProxy(m_pTree);
  Relayout();
}

void CLeftView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Relayout();
}

void CLeftView::Relayout() {
  const LeftPaneLayout l =
      ComputeLeftPaneLayout(m_bRemoteViewer, width(), height(), m_pCombo->sizeHint().height());
  if (l.bComboVisible) m_pCombo->setGeometry(l.rcCombo);
  m_pTree->setGeometry(l.rcTree);
}

}  // namespace vt
