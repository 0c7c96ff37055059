#pragma once
#include <array>
#include <cstdint>

#include "diagnosis/CFixNum.h"

struct AppState;

// What the user has entered: six slot codes (0 nothing, 1..14 the picked entry),
// which slots may be entered next, and when the entry is complete.
class CEnteredStatus {
public:
    static constexpr int kSlots = 6;
    static constexpr int kNoSlot = -1; // "focus goes to CLEAR"

    explicit CEnteredStatus(const AppState& app);

    void Reset();
    void Captions(int slot, CaptionSet& out) const;
    std::array<bool, 14> Choices(int slot) const;
    // Stores code (1..14) in slot and applies the transitions; true when complete.
    // A disabled slot or a code outside 1..14 changes nothing and gives false.
    bool Enter(int slot, int code);
    int Code(int slot) const { return m_nCode[slot]; }

    bool IsEnabled(int slot) const { return m_bEnabled[slot]; }
    bool IsEntered(int slot) const { return m_bEntered[slot]; }
    bool IsComplete() const { return m_bComplete; }
    // Slot enabled and focused by the last Enter, or kNoSlot (focus to CLEAR).
    int NextSlot() const { return m_nNextSlot; }
    // Disables every slot (after a diagnosis has run).
    void DisableAll();
    // Connected units (3, 2 or 1; an unknown unit-count index counts as one unit)
    // and whether a slot belongs to one of them.
    int Units() const;
    bool IsConnected(int slot) const;

private:
    const AppState& m_app;
    int32_t m_nCode[kSlots] = {};
    bool m_bEnabled[kSlots] = {};
    bool m_bEntered[kSlots] = {};
    bool m_bComplete = false;
    int m_nNextSlot = kNoSlot;
};
