#pragma once

#include <cstdint>
#include <string_view>

#include "translation/pass_state.h"

namespace kestrix {

struct Translation;
class TokenCursor;

// The state keyword in `token`, upper or lower case; stops the translation when none matches.
TapState parseStateName(Translation& t, std::string_view token);

void handleState(Translation& t, std::string_view value, TokenCursor& rest);
// ENDDR and ENDIR name a stable state; `keyword` as written, for the message.
void handleEndDr(Translation& t, std::string_view keyword, std::string_view value);
void handleEndIr(Translation& t, std::string_view keyword, std::string_view value);
void handleRunTest(Translation& t, std::string_view value, TokenCursor& rest);
void handleWait(Translation& t, std::string_view value, TokenCursor& rest);
void handleTrst(Translation& t, std::string_view value, TokenCursor& rest);

}  // namespace kestrix
