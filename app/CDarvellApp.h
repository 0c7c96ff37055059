// app/: the application object, start-up and the program's entry.
#pragma once
#include "app/StartupWork.h"
#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "bitmaps/Bitmaps.h"
#include "platform/InstanceGuard.h"

// The application object: owns the state every screen shares, the loaded
// bitmaps and the single-instance lock for the whole run. Exactly one lives in
// main(); nothing else reaches it except through the references it hands out.
class CDarvellApp {
public:
    CDarvellApp() = default;
    CDarvellApp(const CDarvellApp&) = delete;
    CDarvellApp& operator=(const CDarvellApp&) = delete;

    // Start-up: the guard against a second copy, the data-directory checks and
    // reads, the bitmaps, then the settings screen and, after its OK, the main
    // window. The first problem found is shown in the message box and ends the
    // run; a build without the legacy code pages is told once and the run goes
    // on. The fonts, the converter check and the bitmaps' decoding run on
    // threads beside the checks (CStartupWork), all ended before the first
    // widget. Returns the exit status.
    int InitInstance();

    static constexpr int kExitNormal = 0;
    static constexpr int kExitStartupFailed = 1;
    static constexpr const char* kInstanceName = "UNIQUE_PROGRAM_NAME";

    // 0 for a Chinese or Japanese system (primary language 4 or 17), else 1.
    static int NonCjkSystemFlag(int primaryLanguageId);

    // Test seam: what start-up takes for platform::LegacyEncodingsAvailable(),
    // whose false is told once in the message box; nullptr restores it.
    using LegacyEncodingsCheck = CStartupWork::LegacyEncodingsCheck;
    static void SetLegacyEncodingsCheckForTesting(LegacyEncodingsCheck check);

    // Test switch: true starts without threads, each step on the main thread
    // in turn (the eager order, to compare the threaded start with).
    static void SetEagerStartForTesting(bool eager) { CStartupWork::SetInlineForTesting(eager); }

    AppState& State() { return m_app; }
    const Bitmaps& LoadedBitmaps() const { return m_bitmaps; }

private:
    bool LoadDataFiles();  // settings, help, cause/remedy file; false after the message
    bool LoadBitmaps();    // the 33 tiles and 7 pictures; false after the message
    int RunScreens();
    int Fail(Message msg); // shows the message; the failure status
    bool Check(bool ok, Message msg); // ok, after showing the message when it is not
    template <typename Text> void Tell(const Text& text); // the message box, once the threads are done

    AppState m_app;
    Bitmaps m_bitmaps;
    platform::CInstanceGuard m_guard; // held until the object goes
    CStartupWork m_work;              // ended before InitInstance shows anything
};
