#pragma once

namespace kestrix {

struct Translation;

// Shifts one SDR (or SIR) scan: entry walk into the shift state, header, data and trailer
// segments, end walk to the ENDDR (ENDIR) state, then the release of the side's one-scan
// values.
void executeSdr(Translation& t);
void executeSir(Translation& t);

}  // namespace kestrix
