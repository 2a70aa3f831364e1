#include "skin/button_bar.h"

#include <QPainter>

#include "skin/dib_draw.h"
#include "skin/skin_layout.h"

namespace vt {

CButtonBar::CButtonBar(QWidget* parent) : QWidget(parent) {
  setObjectName("Navigator");
  hide();
}

CButtonBar::~CButtonBar() = default;

int CButtonBar::Create(QWidget* parent, IMessageTarget* owner, int x, int y, int width, const char* const* files,
                       int count) {
  if (count < kBackgroundPieces) return 0;
  CDib* bg[kBackgroundPieces] = {&m_bmpLeft, &m_bmpMid, &m_bmpRight};
  for (int i = 0; i < kBackgroundPieces; ++i)
    if (!bg[i]->Load(SkinPath(m_strSkinFolder, files[i]))) return 0;
  m_cy = m_bmpMid.GetHeight();
  m_cx = width;
  m_hParent = owner;
  setParent(parent);
  setGeometry(x, y, m_cx, m_cy);
  hide();
  return 1;
}

int CButtonBar::CreateButtons(const char* const* files, const int* ids, const std::string* texts, int count) {
  int x = m_bmpLeft.GetWidth();
  for (int i = 0; i < count && i < kButtonCount; ++i) {
    auto button = std::make_unique<CSkinButton>();
    if (!button->LoadBitmap(SkinPath(m_strSkinFolder, files[i]))) return 0;
    const QRect r(x, CentredY(m_cy, button->GetStripHeight()), button->GetWidth(), button->GetStripHeight());
    button->Create(this, r, ids[i]);
    button->SetKind(kButtonKindPush);
    button->SetTexts(texts[i]);
    const int id = ids[i];
    connect(button.get(), &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    x += button->GetWidth();
    m_buttons[i] = std::move(button);
  }
  m_bButtonsCreated = 1;
  return 1;
}

int CButtonBar::IsButton(const QObject* w) const {
  if (!w) return 0;
  for (const auto& b : m_buttons)
    if (b && b.get() == w) return 1;
  return 0;
}

void CButtonBar::OnCommand(int id) {
  if (id >= 1 && id <= kButtonCount && m_hParent) m_hParent->Post(ButtonMessage(id), 0, 0);
}

int CButtonBar::MinimumWidth() const {
  int w = m_bmpLeft.GetWidth() + m_bmpRight.GetWidth();
  for (const auto& b : m_buttons) w += b ? b->GetWidth() : 0;
  return w;
}

void CButtonBar::LayoutButtons() {
  std::vector<int> widths;
  for (const auto& b : m_buttons) widths.push_back(b ? b->GetWidth() : 0);
  const std::vector<int> xs = ButtonBarXs(m_cx, m_bmpLeft.GetWidth(), m_bmpRight.GetWidth(), widths);
  for (int i = 0; i < kButtonCount; ++i) {
    if (!m_buttons[i]) continue;
    m_buttons[i]->setGeometry(xs[static_cast<size_t>(i)], CentredY(m_cy, m_buttons[i]->GetStripHeight()),
                              m_buttons[i]->GetWidth(), m_buttons[i]->GetStripHeight());
  }
}

void CButtonBar::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  m_cx = width();
  m_cy = height();
  if (m_bButtonsCreated) LayoutButtons();
  update();
}

void CButtonBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  DrawThreePiece(p, m_bmpLeft, m_bmpMid, m_bmpRight, m_cx);
}

}  // namespace vt
