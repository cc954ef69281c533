#pragma once
// The present local time, read in one way, and the one way the program
// writes a time: "YYYY-MM-DD HH:MM:SS". Whatever dates something takes a
// LocalClock, so that a test can give it a time of its own.

#include <ctime>
#include <functional>
#include <string>

namespace vantrel::system {

// A source of the present local time; an empty one stands for the system's.
using LocalClock = std::function<std::tm()>;

// The system's local time now.
std::tm SystemLocalTime();

// `clock`'s time, or the system's when `clock` is empty.
std::tm LocalNow(const LocalClock& clock);

// "YYYY-MM-DD HH:MM:SS" of `local`'s fields as they are (not normalised).
std::string TimeText(const std::tm& local);

}  // namespace vantrel::system
