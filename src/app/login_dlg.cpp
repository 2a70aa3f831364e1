#include "app/login_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialog_units.h"
#include "app/message_box.h"
#include "app/ui_text.h"
#include "platform/win_types.h"

namespace vt {

CLoginDlg::CLoginDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Login"));
  setFont(DialogFont());
  const DluBase base = DialogBaseUnits(font());
  setFixedSize(DluToPixels(base, 0, 0, 178, 48).size());

  auto* label = new QLabel(QStringLiteral("&Password:"), this);
  label->setGeometry(DluToPixels(base, 10, 10, 35, 8));
  m_pEdit = new QLineEdit(this);
  m_pEdit->setObjectName(QString::number(kIdcPassword));
  m_pEdit->setEchoMode(QLineEdit::Password);
  m_pEdit->setGeometry(DluToPixels(base, 50, 7, 121, 14));
  label->setBuddy(m_pEdit);
  m_pOk = new QPushButton(QStringLiteral("OK"), this);
  m_pOk->setGeometry(DluToPixels(base, 67, 27, 50, 14));
  m_pOk->setDefault(true);
  m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_pCancel->setGeometry(DluToPixels(base, 121, 27, 50, 14));
  connect(m_pOk, &QPushButton::clicked, this, &CLoginDlg::accept);
  connect(m_pCancel, &QPushButton::clicked, this, &CLoginDlg::reject);
  setTabOrder(m_pEdit, m_pOk);
  setTabOrder(m_pOk, m_pCancel);
}

void CLoginDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  m_pEdit->setFocus(Qt::OtherFocusReason);
}

void CLoginDlg::accept() {
  // Compared as text so that a password stored in the recorder's 8-bit code page matches
  // what is typed here; for plain ASCII this is the byte-for-byte, case-sensitive test.
  if (m_pEdit->text() != UiText(m_strPassword)) {
    MessageBoxByKey(kKeyMsgPwIncorrect, kIdsMsgPwIncorrect, MB_ICONEXCLAMATION);
    return;
  }
  QDialog::accept();
}

int LoginIfNeeded(int passwordFlag, const std::string& password) {
  if (passwordFlag == 0) return 1;
  CLoginDlg dlg(nullptr);
  dlg.SetExpectedPassword(password);
  return dlg.exec() == QDialog::Accepted ? 1 : 0;
}

}  // namespace vt
