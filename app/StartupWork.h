// app/: the start-up work that needs no widget, done beside the main thread.
#pragma once
#include "bitmaps/AppIcon.h"
#include "bitmaps/CBmpData.h"

#include <future>
#include <thread>

// The pieces of that work that begin before QApplication, whose own start
// does not need them: the legacy converters opened once and the system's font
// configuration loaded, on a thread from construction until Wait. main()
// waits once QApplication stands, before the font system starts.
class CFontConfigurationLoad {
public:
    CFontConfigurationLoad();
    CFontConfigurationLoad(const CFontConfigurationLoad&) = delete;
    CFontConfigurationLoad& operator=(const CFontConfigurationLoad&) = delete;
    ~CFontConfigurationLoad() { Wait(); }
    void Wait();

private:
    std::thread m_thread;
};

// While the main thread takes the single-instance lock and reads the data
// files, two threads do what the first screen needs but no widget makes:
//   fonts   the font system's start-up and the sizes of the control fonts,
//           and the program's icon drawn as images;
//   files   the check for the legacy converters, then the bitmaps: those of
//           the first screen decoded to images (only the GUI thread may make
//           the pixmaps), the others read and checked, so that an unreadable
//           one still stops the start before the first screen; they are
//           decoded once that screen is left (TakeCheckedBitmaps).
// Each result is waited for where start-up needs it, in the order start-up
// has always used it, so that every message and screen comes at the same
// moment as before. Finish waits for both threads; so does the destructor, so
// that no thread outlives the start-up, whichever way it ends.
//
// A start without threads (SetInlineForTesting) computes each result on the
// main thread when it is asked for: the eager order, to compare with.
class CStartupWork {
public:
    using LegacyEncodingsCheck = bool (*)();

    CStartupWork() = default;
    CStartupWork(const CStartupWork&) = delete;
    CStartupWork& operator=(const CStartupWork&) = delete;
    ~CStartupWork() { Finish(); }

    // Starts both threads; the control fonts are those of the system flag's
    // face. A thread the system refuses leaves its work to the main thread.
    void Start(LegacyEncodingsCheck legacyCheck, int bNonCjkSystem);

    // Whether the legacy converters are there: the check's result.
    bool LegacyEncodingsAvailable();
    // Qt connects its accessibility bridge to the session bus at the first
    // widget text; made here, the connection overlaps the threads' work
    // instead of following it.
    void ConnectAccessibility();
    // Fills the bitmaps as CBmpData::LoadCodeBitmaps and LoadPictures would,
    // but for those only checked; false when one could not be read.
    bool TakeBitmaps(Bitmaps& bitmaps);
    // Decodes the checked bitmaps into their slots; false when one fails.
    bool TakeCheckedBitmaps(Bitmaps& bitmaps);
    // Waits for both threads: before the first widget, a message box or the
    // first screen, so that only the main thread uses the font system then.
    // The first call gives the application its icon.
    void Finish();

    // True: no threads; each result is computed where it is asked for.
    static void SetInlineForTesting(bool inlineWork);

private:
    bool m_inline = false;
    LegacyEncodingsCheck m_legacyCheck = nullptr;
    std::future<bool> m_legacy;      // the files thread's check, while it has not been asked for
    bool m_filesOnThread = false;    // the bitmaps come from the files thread
    bool m_threadsRan = false;       // until Finish has given back what they freed
    bool m_iconSet = false;
    AppIconImages m_icon;            // drawn by the fonts thread; null images: not drawn
    CBmpData::StartupImages m_images; // written by the files thread, read after it ends
    std::thread m_fonts;
    std::thread m_files;
};
