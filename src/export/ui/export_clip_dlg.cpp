#include "export/ui/export_clip_dlg.h"

#include <sys/stat.h>

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "export/export_time.h"
#include "platform/paths.h"
#include "recorddb/record_db.h"

namespace vt {

namespace {

constexpr int kPollMs = 100;
constexpr int kProgressScale = 1000;  // steps of the progress bar
constexpr const char* kTitle = "Export Clip";
constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm:ss.zzz";

QDateTime ToQDateTime(WallTime t) { return QDateTime::fromMSecsSinceEpoch(t / kTicksPerMillisecond); }
WallTime FromQDateTime(const QDateTime& d) { return d.toMSecsSinceEpoch() * kTicksPerMillisecond; }

// The time a field shows, taken as vtexport takes the same text (a time the clocks show twice:
// a start at its first instant, an end at its second); the proposed instant itself while the
// field still shows it. Each time taken of two goes into note.
WallTime FieldTime(const QDateTimeEdit* e, WallTime proposed, bool end, std::string* note) {
  if (e->dateTime() == ToQDateTime(proposed)) return proposed;
  const std::string text = e->dateTime().toString(QString::fromLatin1(kTimeFormat)).toStdString();
  WallTime t = 0, other = -1;
  if (!ParseSpanEdge(text, end, &t, &other)) return FromQDateTime(e->dateTime());
  if (other >= 0)
    *note += std::string(end ? "The end, " : "The start, ") + text + ", occurs twice as the clocks go back: taken as " +
             FormatIsoWallTime(t) + ".\n";
  return t;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ExportOutcomeText(const ExportOutcome& o) {
  if (o.cancelled) return "Cancelled. Nothing was written.";
  if (!o.ok) return "The export failed: " + o.error;
  const ExportManifest& m = o.manifest;
  std::string text = "Exported " + std::to_string(m.frameCount) + (m.frameCount == 1 ? " frame" : " frames") +
                     " from " + FormatLocalWallTime(m.firstFrame) + " to " + FormatLocalWallTime(m.lastFrame);
  if (!m.gaps.empty()) text += ", " + std::to_string(m.gaps.size()) + (m.gaps.size() == 1 ? " gap" : " gaps");
  text += ".\nManifest: " + o.manifestPath + "\nIts SHA-256: " + o.manifestSha256;
  for (const std::string& w : o.warnings) text += "\nNot complete: " + w;
  return text;
}

CExportClipDlg::CExportClipDlg(ExportClipSetup setup, QWidget* parent) : QDialog(parent), m_setup(std::move(setup)) {
  setWindowTitle(QString::fromLatin1(kTitle));
  m_confirm = [](QWidget* p, const QString& q) {
    return QMessageBox::question(p, QString::fromLatin1(kTitle), q, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  m_chooseFile = [](QWidget* p, const QString& initial) {
    return QFileDialog::getSaveFileName(p, QString::fromLatin1(kTitle), initial,
                                        QStringLiteral("Matroska video (*.mkv);;All files (*)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
  };
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Camera:"), new QLabel(QString::fromStdString(m_setup.camera.label)));
  m_pFrom = new QDateTimeEdit(ToQDateTime(m_setup.span.from));
  m_pTo = new QDateTimeEdit(ToQDateTime(m_setup.span.to));
  for (QDateTimeEdit* e : {m_pFrom, m_pTo}) {
    e->setDisplayFormat(QString::fromLatin1(kTimeFormat));
    e->setCalendarPopup(true);
  }
  form->addRow(QStringLiteral("&From:"), m_pFrom);
  form->addRow(QStringLiteral("&To:"), m_pTo);
  auto* fileRow = new QHBoxLayout;
  m_pFile = new QLineEdit(QString::fromStdString(
      JoinPath(m_setup.folder, DefaultExportFileName(m_setup.camera.channel, m_setup.span.from))));
  m_pFile->setMinimumWidth(360);
  m_pBrowse = new QPushButton(QStringLiteral("&Browse..."));
  fileRow->addWidget(m_pFile);
  fileRow->addWidget(m_pBrowse);
  auto* fileLabel = new QLabel(QStringLiteral("&Save as:"));
  fileLabel->setBuddy(m_pFile);
  form->addRow(fileLabel, fileRow);
  m_pProgress = new QProgressBar;
  m_pProgress->setRange(0, 1);
  m_pProgress->setValue(0);
  m_pProgress->setTextVisible(false);
  m_pStatus = new QLabel(QStringLiteral(
      "The pictures and sound are copied as recorded, without encoding them again. A manifest with "
      "SHA-256 hashes is written next to the clip."));
  m_pStatus->setWordWrap(true);
  m_pStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_pExport = new QPushButton(QStringLiteral("&Export"));
  m_pExport->setDefault(true);
  m_pClose = new QPushButton(QStringLiteral("Close"));
  // Return exports, whichever button has the focus.
  m_pBrowse->setAutoDefault(false);
  m_pClose->setAutoDefault(false);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(m_pExport, QDialogButtonBox::ActionRole);
  buttons->addButton(m_pClose, QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_pProgress);
  layout->addWidget(m_pStatus);
  layout->addWidget(buttons);
  m_pTimer = new QTimer(this);
  m_pTimer->setInterval(kPollMs);
  connect(m_pTimer, &QTimer::timeout, this, [this] { Poll(); });
  connect(m_pExport, &QPushButton::clicked, this, [this] { OnExport(); });
  connect(m_pBrowse, &QPushButton::clicked, this, [this] { OnBrowse(); });
  connect(m_pClose, &QPushButton::clicked, this, [this] { OnClose(); });
}

CExportClipDlg::~CExportClipDlg() {
  m_cancel = true;
  m_worker.Join();
}

void CExportClipDlg::SetInputsEnabled(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{m_pFrom, m_pTo, m_pFile, m_pBrowse, m_pExport}) w->setEnabled(on);
}

void CExportClipDlg::OnBrowse() {
  if (!m_chooseFile) return;
  const QString chosen = m_chooseFile(this, m_pFile->text());
  if (!chosen.isEmpty()) m_pFile->setText(chosen);
}

void CExportClipDlg::OnExport() {
  if (IsRunning() || !m_setup.db || !m_setup.db->GetIndex()) return;
  ClipExportJob job;
  job.dataFolder = m_setup.dataFolder;
  job.camera = m_setup.camera;
  std::string note;
  job.requested = {FieldTime(m_pFrom, m_setup.span.from, false, &note), FieldTime(m_pTo, m_setup.span.to, true, &note)};
  job.output = m_pFile->text().trimmed().toStdString();
  if (job.requested.to <= job.requested.from) {
    m_pStatus->setText(QStringLiteral("The end of the span must come after its start."));
    return;
  }
  if (job.output.empty()) {
    m_pStatus->setText(QStringLiteral("Choose the file to write."));
    return;
  }
  if (Exists(job.output) || Exists(ManifestPathFor(job.output))) {
    const QString q = QStringLiteral("%1 or its manifest exists already. Replace them?")
                          .arg(QString::fromStdString(job.output));
    if (!m_confirm || !m_confirm(this, q)) return;
    job.replace = true;
  }
  CRecordDB* db = m_setup.db;
  job.plan = PlanSpan(*db->GetIndex(), job.requested.from, job.requested.to,
                      [db](const RDB_RECORD& r) { return db->ResolvePath(r); });
  m_cancel = false;
  m_progress = ExportProgress{};
  SetInputsEnabled(false);
  m_pClose->setText(QStringLiteral("&Cancel"));
  m_pProgress->setRange(0, 0);  // busy until the first frames are counted
  m_strEdgeNote = note;
  m_pStatus->setText(QString::fromStdString(m_strEdgeNote) + QStringLiteral("Exporting..."));
  m_worker.Start([this, job = std::move(job)] {
    ExportOutcome outcome = RunClipExport(
        job,
        [this](const ExportProgress& p) {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_progress = p;
        },
        &m_cancel);
    m_outcome = std::move(outcome);
  });
  m_pTimer->start();
}

void CExportClipDlg::Poll() {
  if (m_worker.IsDone()) {
    Finish();
    return;
  }
  ExportProgress p;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    p = m_progress;
  }
  if (m_cancel) return;
  const int bar = ExportProgressBar(p, kProgressScale);
  if (bar >= 0) {
    m_pProgress->setTextVisible(true);
    m_pProgress->setRange(0, kProgressScale);
    m_pProgress->setValue(bar);
    m_pStatus->setText(QString::fromStdString(FormatExportProgress(p)));
  }
}

void CExportClipDlg::Finish() {
  m_pTimer->stop();
  m_worker.Join();
  m_pProgress->setRange(0, 1);
  m_pProgress->setValue(m_outcome.ok ? 1 : 0);
  m_pStatus->setText(QString::fromStdString(m_strEdgeNote + ExportOutcomeText(m_outcome)));
  m_pClose->setText(QStringLiteral("Close"));
  SetInputsEnabled(true);
}

void CExportClipDlg::OnClose() {
  if (IsRunning()) {
    m_cancel = true;
    m_pStatus->setText(QStringLiteral("Cancelling..."));
    return;
  }
  QDialog::reject();
}

void CExportClipDlg::reject() {
  // Escape or the window's close button while an export runs: cancel it and wait for it.
  if (IsRunning()) {
    m_cancel = true;
    m_worker.Join();
    Finish();
  }
  QDialog::reject();
}

}  // namespace vt
