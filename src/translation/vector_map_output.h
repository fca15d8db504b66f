#pragma once

namespace kestrix {

struct Translation;

// With -m, in a pass that writes: (re)starts the map for the PCF file 1 just opened. The map
// is refused over the input or the header file, as a PCF file is.
void beginVectorMap(Translation& t);
// Before and after translating a statement; at a file switch; at a wait block.
void mapStatementBegins(Translation& t);
void mapStatementEnds(Translation& t);
void mapFileEnds(Translation& t);
void mapFileBegins(Translation& t);
void mapWait(Translation& t);
// At the end of the run: the map complete and closed, or the fatal stop.
void finishVectorMap(Translation& t);
// After a fatal stop: the map keeps its rows and ends with "# incomplete".
void abandonVectorMap(Translation& t);

}  // namespace kestrix
