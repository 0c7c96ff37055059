#pragma once
#include <QTemporaryDir>
#include <string>
#include <string_view>

// A throw-away executable directory with an empty QL7_Tool folder in it. While
// the object lives, the program's executable directory points here; names are
// relative to QL7_Tool ("Setting.ini").
class TempDataDir {
public:
    TempDataDir();
    ~TempDataDir();
    TempDataDir(const TempDataDir&) = delete;
    TempDataDir& operator=(const TempDataDir&) = delete;

    bool IsValid() const { return m_ok; }
    std::string Root() const;                      // the stand-in executable directory
    std::string DataDir() const;                   // Root() + "/QL7_Tool"
    std::string PathOf(std::string_view name) const;

    bool Write(std::string_view name, std::string_view bytes) const;
    bool MakeDir(std::string_view name) const;     // a folder in place of a file
    bool Remove(std::string_view name) const;      // a file or an empty folder
    bool Exists(std::string_view name) const;
    std::string Read(std::string_view name) const; // the bytes, empty when unreadable
    bool CopyFrom(const std::string& source, std::string_view name) const;

    // The complete sample data directory the build puts beside the program.
    bool CopySampleDir(const std::string& sampleDir) const;

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

// Rewrites a UTF-8 file in another encoding ("GB18030", "UTF-16LE" with its mark).
bool RecodeFile(const std::string& path, const char* encoding);
