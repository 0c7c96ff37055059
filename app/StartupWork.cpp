#include "app/StartupWork.h"

#include "dialogs/CSetDlg.h"
#include "draw/ControlFont.h"
#include "platform/FontConfig.h"
#include "platform/Heap.h"
#include "platform/TextEncoding.h"
#include "platform/ThreadPriority.h"

#include <QAccessible>
#include <QApplication>

#include <system_error>
#include <utility>

namespace {

bool& InlineWork()
{
    static bool inlineWork = false;
    return inlineWork;
}

} // namespace

CFontConfigurationLoad::CFontConfigurationLoad()
{
    try {
        m_thread = std::thread([] {
            // Nobody waits for this thread: it only runs ahead of the work that
            // needs its results, on the processor time the start leaves over.
            // The legacy converters' tables stay loaded once opened, and the
            // font configuration is the process's: the check that the start
            // makes later then finds the converters at once, and the font
            // system its configuration. Where the start gets there first, it
            // loads what it needs itself (fontconfig keeps the first of two
            // configurations loaded at once).
            platform::RunInBackground();
            platform::LegacyEncodingsAvailable();
            platform::LoadFontConfiguration();
        });
    } catch (const std::system_error&) {
        // The font system loads it itself when it starts, the check its converters.
    }
}

CFontConfigurationLoad::~CFontConfigurationLoad()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CStartupWork::SetInlineForTesting(bool inlineWork)
{
    InlineWork() = inlineWork;
}

void CStartupWork::Start(LegacyEncodingsCheck legacyCheck, int bNonCjkSystem)
{
    m_legacyCheck = legacyCheck;
    m_inline = InlineWork();
    if (m_inline)
        return;
    try {
        // The font list, then the size of the settings screen's labels and
        // buttons (18 pixels).
        std::promise<void> done;
        m_fontsDone = done.get_future();
        m_fonts = std::thread([bNonCjkSystem, done = std::move(done)]() mutable {
            ControlFont(18, false, bNonCjkSystem);
            done.set_value();
        });
        m_threadsRan = true;
        m_headingSize = bNonCjkSystem;
    } catch (const std::system_error&) {
        // The font system starts at the first control font, as without threads.
        m_fontsDone = std::future<void>();
    }
    try {
        // The bitmaps first, which the main thread waits for; then the icon.
        std::promise<void> bitmaps, done;
        m_bitmapsRead = bitmaps.get_future();
        m_filesDone = done.get_future();
        m_files = std::thread([this, bitmaps = std::move(bitmaps), done = std::move(done)]() mutable {
            m_images = CBmpData::DecodeStartupBitmaps(CSetDlg::kPicturesDrawn);
            bitmaps.set_value();
            m_icon = DrawAppIconImages();
            done.set_value();
        });
        m_filesOnThread = true;
        m_threadsRan = true;
    } catch (const std::system_error&) {
        // The bitmaps are read and the icon drawn on the main thread when asked for.
        m_bitmapsRead = std::future<void>();
        m_filesDone = std::future<void>();
    }
}

bool CStartupWork::LegacyEncodingsAvailable()
{
    return m_legacyCheck();
}

void CStartupWork::ConnectAccessibility()
{
    if (!m_inline)
        QAccessible::isActive();
}

bool CStartupWork::TakeBitmaps(Bitmaps& bitmaps)
{
    if (!m_filesOnThread)
        return CBmpData::LoadCodeBitmaps(bitmaps.m_hCodeBitmaps.data()) && CBmpData::LoadPictures(bitmaps);
    m_bitmapsRead.wait();
    m_filesOnThread = false; // taken once
    return CBmpData::AdoptStartupBitmaps(m_images, bitmaps);
}

bool CStartupWork::TakeCheckedBitmaps(Bitmaps& bitmaps)
{
    return CBmpData::AdoptCheckedBitmaps(m_images, bitmaps);
}

CStartupWork::~CStartupWork()
{
    WaitForWork();
    for (std::thread* thread : {&m_fonts, &m_files})
        if (thread->joinable())
            thread->join();
}

void CStartupWork::WaitForWork()
{
    // The threads' work, not their ends: what a thread frees as it ends (its
    // own font engines) is no concern of the screens.
    for (std::future<void>* done : {&m_fontsDone, &m_filesDone})
        if (done->valid())
            done->get();
}

void CStartupWork::Finish()
{
    WaitForWork();
    // The heading's size is found here, once the font list is there: the
    // font engines that finding it loads stay in this thread's font cache,
    // where the screen then finds them; a thread's go with it when it ends.
    if (m_headingSize >= 0) {
        ControlFont(25, false, m_headingSize);
        m_headingSize = -1;
    }
    // What the threads freed stays in their heaps, which the main thread does
    // not use: it goes back before the screens are built.
    if (m_threadsRan) {
        m_threadsRan = false;
        platform::ReleaseFreedMemory();
    }
    if (!m_iconSet) {
        m_iconSet = true;
        QApplication::setWindowIcon(m_icon[0].isNull() ? AppIcon() : AppIcon(std::move(m_icon)));
    }
}
