#include "app/user_prefs.h"

#include <QSettings>

namespace vt {

namespace {
QSettings Store() { return QSettings(QStringLiteral("VTPlayer"), QStringLiteral("VTPlayer")); }
}  // namespace

bool ReadUserFlag(const char* key, bool fallback) {
  return Store().value(QString::fromLatin1(key), fallback).toBool();
}

void WriteUserFlag(const char* key, bool value) { Store().setValue(QString::fromLatin1(key), value); }

QString ReadUserText(const char* key, const QString& fallback) {
  return Store().value(QString::fromLatin1(key), fallback).toString();
}

void WriteUserText(const char* key, const QString& value) { Store().setValue(QString::fromLatin1(key), value); }

}  // namespace vt
