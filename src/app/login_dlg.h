// Start-up password question (dialog template 146).
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace vt {

constexpr int kIdcPassword = 1021;
constexpr int kIdsMsgPwIncorrect = 59394;
constexpr const char* kKeyMsgPwIncorrect = "IDS_MSG_PW_INCORRECT";

class CLoginDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CLoginDlg(QWidget* parent = nullptr);
  void SetExpectedPassword(const std::string& password) { m_strPassword = password; }
  QLineEdit* GetPasswordEdit() const { return m_pEdit; }
  QPushButton* GetOkButton() const { return m_pOk; }
  QPushButton* GetCancelButton() const { return m_pCancel; }

  // OK: ends the dialog only when the typed text is the expected password; otherwise says so
  // and keeps the dialog with the text as typed.
  void accept() override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  std::string m_strPassword;
  QLineEdit* m_pEdit = nullptr;
  QPushButton* m_pOk = nullptr;
  QPushButton* m_pCancel = nullptr;
};

// 1 when the player may go on, 0 when it must close. Asks only when passwordFlag is non-zero.
int LoginIfNeeded(int passwordFlag, const std::string& password);

}  // namespace vt
