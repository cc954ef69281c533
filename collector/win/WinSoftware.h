#pragma once
// The installed programs as Windows lists them under "Programs and
// Features": the Uninstall keys of the machine (its 64-bit and 32-bit
// views) and of the user who runs the collector. Reading them needs no
// administrator rights, and unlike a query of Win32_Product it never makes
// Windows Installer check or repair anything.

#include "SoftwareList.h"

namespace vantrel::collector {

// The list to send; empty (nothing found) when the machine's own Uninstall
// key cannot be read, so that a failed reading never empties a PC's list.
SoftwareList DetectSoftware();

}  // namespace vantrel::collector
