#pragma once

// The build number shown in the first line of the message log and recorded in
// the version resource. Plain macros, so the resource compiler can read them.
#define TOLVANE_BUILD 170
#define TOLVANE_VERSION_TEXT "1.0.0.170"
