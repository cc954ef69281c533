// The tab interface is a QObject declared in a header of its own; this
// source gives it a unit, so that its meta object is compiled.
#include "PcWindowTab.h"
