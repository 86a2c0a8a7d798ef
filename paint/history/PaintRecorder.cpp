// The one recorder the paintable models report to. It lives with the
// interface rather than with the session, so painting code reaches it
// without knowing what records.
#include "paint/history/PaintRecorder.h"

PaintRecorder* paint_recorder = nullptr;
