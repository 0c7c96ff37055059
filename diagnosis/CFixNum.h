// diagnosis/: the entered-status model, the diagnosis lookup and paging, and the
// main window that mirrors them.
#pragma once
#include <array>
#include <string>

#include "data/DiagRow.h"

struct AppState;

// 15 strings; string 0 is always empty, strings 1..14 are the picker captions.
using CaptionSet = std::array<std::string, 15>;

// Caption sets and the diagnosis table in force, for the language, series and
// unit count of the state it is given. Holds nothing of its own.
class CFixNum {
public:
    explicit CFixNum(const AppState& app) : m_app(app) {}

    // Each fills all 15 strings; a language other than 0 and 1 leaves them as they are.
    void GetMainEmitterCaptions(CaptionSet& out) const;
    void GetSub1EmitterCaptions(CaptionSet& out) const;
    void GetSub2EmitterCaptions(CaptionSet& out) const;
    void GetMainReceiverCaptions(CaptionSet& out) const;
    void GetSub1ReceiverCaptions(CaptionSet& out) const;
    void GetSub2ReceiverCaptions(CaptionSet& out) const;
    // The operation of slot 0..5 (Main, Sub 1, Sub 2 emitter, Main, Sub 1, Sub 2 receiver).
    void GetCaptions(int slot, CaptionSet& out) const;
    // The caption of code 1..14 in slot on one line (line breaks as spaces);
    // empty for any other code.
    std::string OneLineCaption(int slot, int code) const;

    // Table in force for the Main Sensor emitter code (QL7B: non-zero emitter table, 0 receiver).
    const DiagRow* GetTable(int mainEmitterCode) const;
    int GetRowCount(int mainEmitterCode) const;

private:
    const AppState& m_app;
};
