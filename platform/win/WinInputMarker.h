#pragma once

#include <cstdint>

// What Quillo writes into dwExtraInfo of every input event it sends, so that
// its keyboard monitor tells them from the user's: other programs inject keys
// too (LLKHF_INJECTED alone says nothing about whose they are). The low byte
// says what the event is for; the rest is the marker.
namespace WinInputMarker {

constexpr std::uintptr_t kMarker = 0x514C4F00; // "QLO"
constexpr std::uintptr_t kKindMask = 0xFF;

enum Kind : std::uintptr_t {
    kKey = 0,        // a key of ours: reaches the program like any other
    kHoldStart = 1,  // never reaches a program: the hold takes effect here
    kHoldEnd = 2,    // never reaches a program: the held keys are sent on
    kReplayDone = 3, // never reaches a program: a round of held keys went out
};

constexpr std::uintptr_t Tag(Kind kind) { return kMarker | kind; }
constexpr bool IsOurs(std::uintptr_t extraInfo) { return (extraInfo & ~kKindMask) == kMarker; }
constexpr Kind KindOf(std::uintptr_t extraInfo) { return Kind(extraInfo & kKindMask); }

// The key the monitor's own marks are sent on: one Windows leaves unassigned,
// so that nothing acts on it should a later hook let it past ours.
constexpr unsigned short kMarkKey = 0xE8;

} // namespace WinInputMarker
