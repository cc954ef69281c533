#pragma once
// Code page 936 at the edges of the Windows program: the window and the
// command line speak UTF-16, everything else is GBK bytes.

#include <string>
#include <string_view>

namespace vantrel::collector {

// GBK bytes as UTF-16. Bytes that are not GBK become U+FFFD.
std::wstring FromGbk(std::string_view gbk);

// UTF-16 as GBK bytes. False, with `out` untouched, when some character
// has no GBK form (it is never replaced by a look-alike or '?').
bool TryToGbk(std::wstring_view wide, std::string& out);

// For texts Windows gives (names of devices and products): characters
// without a GBK form become '?'.
std::string ToGbkLossy(std::wstring_view wide);

// For texts sent as they are (the names of installed programs): each
// character without a GBK form, a surrogate pair included, becomes one '?';
// no look-alike is put in its place.
std::string ToGbkMarked(std::wstring_view wide);

}  // namespace vantrel::collector
