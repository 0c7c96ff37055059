// app/: the start-up work that needs no widget, done beside the main thread.
#pragma once
#include "bitmaps/AppIcon.h"
#include "bitmaps/CBmpData.h"

#include <future>
#include <thread>

// The pieces of the start-up work that begin before QApplication, whose own
// start does not need them: the legacy converters opened once and the
// system's font configuration loaded, on a thread in the background
// (platform::RunInBackground) from construction on, so that it takes no
// processor time from QApplication's start. Nothing waits for it; the
// destructor joins it.
class CFontConfigurationLoad {
public:
    CFontConfigurationLoad();
    CFontConfigurationLoad(const CFontConfigurationLoad&) = delete;
    CFontConfigurationLoad& operator=(const CFontConfigurationLoad&) = delete;
    ~CFontConfigurationLoad();

private:
    std::thread m_thread;
};

// While the main thread takes the single-instance lock and reads the data
// files, two threads do what the first screen needs but no widget makes:
//   fonts   the font system's start-up and the size of the labels' font;
//   files   the bitmaps: those of the first screen decoded to images (only
//           the GUI thread may make the pixmaps), the others read and
//           checked, so that an unreadable one still stops the start before
//           the first screen; they are decoded once that screen is left
//           (TakeCheckedBitmaps). Then the program's icon drawn as images.
// Each result is waited for where start-up needs it, in the order start-up
// has always used it, so that every message and screen comes at the same
// moment as before. Finish waits for both threads' work; so does the
// destructor, which also waits for their ends, so that no thread outlives
// the start-up, whichever way it ends.
//
// A start without threads (SetInlineForTesting) computes each result on the
// main thread when it is asked for: the eager order, to compare with.
class CStartupWork {
public:
    using LegacyEncodingsCheck = bool (*)();

    CStartupWork() = default;
    CStartupWork(const CStartupWork&) = delete;
    CStartupWork& operator=(const CStartupWork&) = delete;
    ~CStartupWork();

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
    // Waits for both threads' work: before the first widget, a message box
    // or the first screen. The first call finds the heading's font size and
    // gives the application its icon.
    void Finish();

    // True: no threads; each result is computed where it is asked for.
    static void SetInlineForTesting(bool inlineWork);

private:
    void WaitForWork();

    bool m_inline = false;
    int m_headingSize = -1;          // the system flag, while Finish has the heading's size to find
    LegacyEncodingsCheck m_legacyCheck = nullptr;
    bool m_filesOnThread = false;    // the bitmaps come from the files thread
    bool m_threadsRan = false;       // until Finish has given back what they freed
    bool m_iconSet = false;
    AppIconImages m_icon;            // drawn by the files thread; null images: not drawn
    CBmpData::StartupImages m_images; // written by the files thread, read once m_bitmapsRead is ready
    std::future<void> m_bitmapsRead;
    std::future<void> m_fontsDone, m_filesDone; // each thread's work; invalid once waited for
    std::thread m_fonts;
    std::thread m_files;
};
