// A library that must never be loaded from the current folder: the hardening test plants it
// there and checks that Brisko's start-up has taken that folder out of the search.
extern "C" __declspec(dllexport) int BriskoProbe() { return 42; }
