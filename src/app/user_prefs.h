// The user's own preferences of the program (the framework's "VTPlayer" settings key; on Linux
// ~/.config/VTPlayer/VTPlayer.conf): views and options that are remembered between runs.
#pragma once

#include <QString>

namespace vt {

// Keys of the remembered options and their defaults.
inline constexpr const char* kPrefDayTimeline = "View/DayTimeline";
inline constexpr bool kPrefDayTimelineDefault = true;
inline constexpr const char* kPrefPlayAcross = "Playback/PlayAcrossRecordings";
inline constexpr bool kPrefPlayAcrossDefault = false;
inline constexpr const char* kPrefNewestDaysFirst = "View/NewestDaysFirst";
inline constexpr bool kPrefNewestDaysFirstDefault = false;
inline constexpr const char* kPrefSnapshotFolder = "Snapshot/LastFolder";

bool ReadUserFlag(const char* key, bool fallback);
void WriteUserFlag(const char* key, bool value);
QString ReadUserText(const char* key, const QString& fallback = QString());
void WriteUserText(const char* key, const QString& value);

}  // namespace vt
