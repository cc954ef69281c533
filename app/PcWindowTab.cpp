// The tab interface has no code of its own; this unit gives its meta-object
// (Q_OBJECT) a home.
#include "PcWindowTab.h"

#include "moc_PcWindowTab.cpp"
