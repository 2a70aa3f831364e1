#include "timeline/goto_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "timeline/goto_text.h"

namespace vt {

CGotoDialog::CGotoDialog(QWidget* parent, time32 initial, time32 defaultDay) : QDialog(parent), m_tDefaultDay(defaultDay) {
  setWindowTitle(QStringLiteral("Go to Time"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Date and time (YYYY-MM-DD HH:MM:SS, seconds optional):"), this));
  m_pEdit = new QLineEdit(QString::fromStdString(initial ? FormatGotoTime(initial) : std::string()), this);
  m_pEdit->setObjectName(QStringLiteral("gotoTime"));
  m_pEdit->selectAll();
  layout->addWidget(m_pEdit);
  m_pAnswer = new QLabel(this);
  m_pAnswer->setObjectName(QStringLiteral("gotoAnswer"));
  m_pAnswer->setWordWrap(true);
  m_pAnswer->hide();
  layout->addWidget(m_pAnswer);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* go = buttons->addButton(QStringLiteral("&Go"), QDialogButtonBox::AcceptRole);
  go->setDefault(true);
  m_pBefore = buttons->addButton(QStringLiteral("Open &Before"), QDialogButtonBox::ActionRole);
  m_pAfter = buttons->addButton(QStringLiteral("Open &After"), QDialogButtonBox::ActionRole);
  m_pBefore->hide();
  m_pAfter->hide();
  buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  // Go must not close the dialog by itself: a miss keeps it open.
  disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(go, &QPushButton::clicked, this, [this] { Submit(); });
  connect(m_pBefore, &QPushButton::clicked, this, [this] { OpenNearest(true); });
  connect(m_pAfter, &QPushButton::clicked, this, [this] { OpenNearest(false); });
}

void CGotoDialog::Submit() {
  time32 t = 0;
  m_pBefore->hide();
  m_pAfter->hide();
  m_pAnswer->show();
  if (!ParseGotoTime(m_pEdit->text().toStdString(), m_tDefaultDay, &t)) {
    m_pAnswer->setText(QStringLiteral("Type a date and time as YYYY-MM-DD HH:MM:SS (the seconds may be left out)."));
    return;
  }
  m_miss = resolve ? resolve(t) : TimeResolution{};
  if (m_miss.kind == TimeResolution::kInside) {
    accept();
    return;
  }
  static const std::vector<TimelineSpan> kNone;
  m_pAnswer->setText(QString::fromStdString(DescribeMiss(sequence ? *sequence : kNone, m_miss, t)));
  m_pBefore->setVisible(m_miss.nBefore >= 0);
  m_pAfter->setVisible(m_miss.nAfter >= 0);
}

void CGotoDialog::OpenNearest(bool before) {
  const int index = before ? m_miss.nBefore : m_miss.nAfter;
  if (index >= 0 && open && open(index, before)) accept();
}

}  // namespace vt
