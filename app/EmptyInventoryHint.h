#pragma once
// What an empty inventory shows instead of empty charts or an empty grid:
// how staff send their first reports, or that a list can be imported.

#include <QString>

namespace vantrel::app {

QString EmptyInventoryHint();

}  // namespace vantrel::app
