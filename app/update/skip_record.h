#pragma once

#include <QString>

// The user's "skip this version" answer, kept in the settings under three keys.
namespace update {

inline constexpr char kNoAlertAgainKey[] = "NO_ALERt_AGAIN";
inline constexpr char kSkippedOwnVersionKey[] = "NO_ALERt_AGAIN_localVersionVersio";
inline constexpr char kSkippedStoreVersionKey[] = "NO_ALERt_AGAIN_appStoreVersion";

// Whether the alert for these versions was skipped. When the remembered versions no longer
// match, the skip flag is cleared (the remembered texts stay). Safe from any thread.
bool alert_skipped(float own_version, float store_version);

// Remembers that the user skipped the store version while running the own version.
void remember_skip(const QString& own_version_text, const QString& store_version_text);

}  // namespace update
