// About box (dialog template 100): title by edition, version and build date from the identity
// stamp, and the splash picture from the program folder above the texts.
#pragma once

#include <QDialog>
#include <QImage>
#include <functional>
#include <string>

#include "skin/dib.h"

class QLabel;
class QPushButton;

namespace vt {

class CProductStamp;

constexpr int kIdsTitleEdition2 = 59417;
constexpr int kIdsTitleEdition1 = 59418;
constexpr int kIdsTitleOther = 59419;
constexpr int kIdsVersion = 59423;
constexpr const char* kSplashFile = "Splash.bmp";
constexpr const char* kAboutRightsNotice = "Copyright (C) 2008-2026 Vantor Video Systems";
constexpr const char* kAboutAllRights = "All Rights Reserved.";
constexpr const char* kAboutWebAddress = "https://www.vantor-video.example";

// String id of the title for an edition digit.
int AboutTitleId(int edition);
// "Version" word + " " + major + "." + minor + " (" + date + ")".
std::string AboutVersionLine(const std::string& versionWord, const std::string& major,
                             const std::string& minor, const std::string& buildDate);

// How the box grows around a picture of picW x picH over a client area clientWidth wide.
struct AboutGrowth {
  int nWiden = 0;    // added to the window width
  int nTaller = 0;   // added to the window height, and how far every text control moves down
  int nOkShift = 0;  // how far the OK button moves right
};
AboutGrowth ComputeAboutGrowth(int clientWidth, int picW, int picH);
// Left edge of the picture: centred, the halving truncating toward zero.
int SplashLeft(int clientWidth, int picW);

// What the identity stamp gives the box; empty fields for an empty stamp.
struct AboutStamp {
  int nEdition = 0;
  std::string strMajor;
  std::string strMinor;
  std::string strBuildDate;
};

// Edition, version characters and build date of a stamp (empty for an empty stamp).
AboutStamp AboutStampFrom(const CProductStamp& stamp);

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  // programFolder: where Splash.bmp lives. textById: the string table look-up.
  CAboutDlg(const std::string& programFolder, const AboutStamp& stamp,
            const std::function<std::string(int)>& textById, QWidget* parent = nullptr);

  bool HasSplash() const { return !m_dib.IsEmpty(); }
  const CDib& GetSplash() const { return m_dib; }
  // The control of a template id (1022-1027, or 1 for OK); null for any other id.
  QWidget* GetControl(int id) const;
  // Where the picture is drawn, in client coordinates.
  QPoint SplashPos() const { return QPoint(SplashLeft(width(), m_dib.GetWidth()), 0); }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  CDib m_dib;       // the splash picture, empty when it did not load
  QImage m_splash;  // the same for drawing
  QLabel* m_pIcon = nullptr;
  QLabel* m_pTitle = nullptr;
  QLabel* m_pVersion = nullptr;
  QLabel* m_pRights = nullptr;
  QLabel* m_pAllRights = nullptr;
  QLabel* m_pWeb = nullptr;
  QPushButton* m_pOk = nullptr;
};

}  // namespace vt
