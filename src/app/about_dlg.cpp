#include "app/about_dlg.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/app_paths.h"
#include "app/dialog_units.h"
#include "app/product_stamp.h"
#include "app/ui_text.h"
#include "platform/paths.h"
#include "skin/dib_draw.h"

namespace vt {

int AboutTitleId(int edition) {
  if (edition == 1) return kIdsTitleEdition1;
  if (edition == 2) return kIdsTitleEdition2;
  return kIdsTitleOther;
}

std::string AboutVersionLine(const std::string& versionWord, const std::string& major,
                             const std::string& minor, const std::string& buildDate) {
  return versionWord + " " + major + "." + minor + " (" + buildDate + ")";
}

AboutGrowth ComputeAboutGrowth(int clientWidth, int picW, int picH) {
  AboutGrowth g;
  if (picW > clientWidth) {
    g.nWiden = picW - clientWidth;
    g.nOkShift = g.nWiden / 2;
  }
  g.nTaller = picH;
  return g;
}

int SplashLeft(int clientWidth, int picW) { return (clientWidth - picW) / 2; }

AboutStamp AboutStampFrom(const CProductStamp& stamp) {
  AboutStamp s;
  s.nEdition = stamp.GetEdition();
  stamp.GetVersion(&s.strMajor, &s.strMinor);
  stamp.GetBuildDate(&s.strBuildDate);
  return s;
}

CAboutDlg::CAboutDlg(const std::string& programFolder, const AboutStamp& stamp,
                     const std::function<std::string(int)>& textById, QWidget* parent)
    : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogFont());
  const DluBase base = DialogBaseUnits(font());
  QSize size = DluToPixels(base, 0, 0, 235, 90).size();

  auto label = [this, &base](int x, int y, int w, int h) {
    auto* l = new QLabel(this);
    l->setGeometry(DluToPixels(base, x, y, w, h));
    return l;
  };
  m_pIcon = label(7, 7, 20, 20);
  m_pIcon->setObjectName(QStringLiteral("1024"));
  const QString iconPath = QString::fromStdString(programFolder + "/" + kProgramIcon);
  const QImage icon(iconPath);
  if (!icon.isNull())
    m_pIcon->setPixmap(QPixmap::fromImage(icon.scaled(m_pIcon->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  m_pTitle = label(40, 10, 188, 8);
  m_pVersion = label(40, 22, 188, 8);
  m_pRights = label(40, 34, 163, 8);
  m_pAllRights = label(40, 46, 173, 8);
  m_pWeb = label(40, 58, 173, 8);
  m_pTitle->setObjectName(QStringLiteral("1022"));
  m_pVersion->setObjectName(QStringLiteral("1023"));
  m_pRights->setObjectName(QStringLiteral("1025"));
  m_pAllRights->setObjectName(QStringLiteral("1026"));
  m_pWeb->setObjectName(QStringLiteral("1027"));
  m_pRights->setText(QString::fromLatin1(kAboutRightsNotice));
  m_pAllRights->setText(QString::fromLatin1(kAboutAllRights));
  m_pWeb->setText(QString::fromLatin1(kAboutWebAddress));
  m_pOk = new QPushButton(QStringLiteral("OK"), this);
  m_pOk->setGeometry(DluToPixels(base, 87, 70, 50, 14));
  m_pOk->setDefault(true);
  connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);

  // Picture above the texts: the box grows by its height, and widens when it is wider.
  if (m_dib.Load(ResolvePathCase(JoinPath(programFolder, kSplashFile))) == 1) m_splash = DibToImage(m_dib);
  if (m_splash.isNull()) m_dib.Clear();  // a depth that cannot be drawn counts as not loaded
  if (!m_dib.IsEmpty()) {
    const AboutGrowth g = ComputeAboutGrowth(size.width(), m_dib.GetWidth(), m_dib.GetHeight());
    size += QSize(g.nWiden, g.nTaller);
    for (QWidget* w : {static_cast<QWidget*>(m_pIcon), static_cast<QWidget*>(m_pTitle),
                       static_cast<QWidget*>(m_pVersion), static_cast<QWidget*>(m_pRights),
                       static_cast<QWidget*>(m_pAllRights), static_cast<QWidget*>(m_pWeb)})
      w->move(w->x(), w->y() + g.nTaller);
    m_pOk->move(m_pOk->x() + g.nOkShift, m_pOk->y() + g.nTaller);
  }
  setFixedSize(size);

  const QString title = UiText(textById ? textById(AboutTitleId(stamp.nEdition)) : std::string(" "));
  setWindowTitle(title);
  m_pTitle->setText(title);
  const std::string word = textById ? textById(kIdsVersion) : std::string(" ");
  m_pVersion->setText(UiText(AboutVersionLine(word, stamp.strMajor, stamp.strMinor, stamp.strBuildDate)));
}

QWidget* CAboutDlg::GetControl(int id) const {
  switch (id) {
    case 1: return m_pOk;
    case 1022: return m_pTitle;
    case 1023: return m_pVersion;
    case 1024: return m_pIcon;
    case 1025: return m_pRights;
    case 1026: return m_pAllRights;
    case 1027: return m_pWeb;
    default: return nullptr;
  }
}

void CAboutDlg::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  if (m_splash.isNull()) return;
  QPainter p(this);
  p.drawImage(SplashPos(), m_splash);
}

}  // namespace vt
