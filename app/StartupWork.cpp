#include "app/StartupWork.h"

#include "dialogs/CSetDlg.h"
#include "draw/ControlFont.h"
#include "platform/FontConfig.h"
#include "platform/Heap.h"
#include "platform/TextEncoding.h"

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
            // The legacy converters' tables stay loaded once opened: the check
            // that the start makes later then finds them at once.
            platform::LegacyEncodingsAvailable();
            platform::LoadFontConfiguration();
        });
    } catch (const std::system_error&) {
        // The font system loads it itself when it starts, the check its converters.
    }
}

void CFontConfigurationLoad::Wait()
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
        // The font list, then the sizes of the settings screen's fonts: 18
        // pixels for its labels and buttons, 25 for its heading.
        m_fonts = std::thread([this, bNonCjkSystem] {
            for (const int pixelHeight : {18, 25})
                ControlFont(pixelHeight, false, bNonCjkSystem);
            m_icon = DrawAppIconImages();
        });
        m_threadsRan = true;
    } catch (const std::system_error&) {
        // The font system starts at the first control font, as without threads.
    }
    try {
        std::promise<bool> legacy;
        std::future<bool> result = legacy.get_future();
        m_files = std::thread([this, legacyCheck, legacy = std::move(legacy)]() mutable {
            legacy.set_value(legacyCheck());
            m_images = CBmpData::DecodeStartupBitmaps(CSetDlg::kPicturesDrawn);
        });
        m_legacy = std::move(result);
        m_filesOnThread = true;
        m_threadsRan = true;
    } catch (const std::system_error&) {
        // The check and the bitmaps are done on the main thread when asked for.
    }
}

bool CStartupWork::LegacyEncodingsAvailable()
{
    return m_legacy.valid() ? m_legacy.get() : m_legacyCheck();
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
    if (m_files.joinable())
        m_files.join();
    m_filesOnThread = false; // taken once
    return CBmpData::AdoptStartupBitmaps(m_images, bitmaps);
}

bool CStartupWork::TakeCheckedBitmaps(Bitmaps& bitmaps)
{
    return CBmpData::AdoptCheckedBitmaps(m_images, bitmaps);
}

void CStartupWork::Finish()
{
    for (std::thread* thread : {&m_fonts, &m_files})
        if (thread->joinable())
            thread->join();
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
