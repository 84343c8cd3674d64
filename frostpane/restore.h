// Takes back what set and the slider did, for the host the tool runs in; the other host is
// never touched.
#pragma once

#include <string>

#include "platform.h"

namespace frostpane {

// The settings text without any useAcrylic, acrylicOpacity or integer opacity member in its
// profiles (outside comments and strings), commas tidied. Nothing is inserted.
std::string restore_settings_text(std::string text);

// Inside Windows Terminal: the settings file cleaned and written back (not written when nothing
// was found), with the read and write messages on standard error. In a classic console: the window
// made fully opaque and WindowAlpha 255 stored, silently. False after a message.
bool restore_transparency(platform& os);

}  // namespace frostpane
