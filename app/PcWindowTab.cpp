// The tab interface carries Q_OBJECT: this source gives it its meta-object.
#include "PcWindowTab.h"
