#include "TempDataDir.h"

#include "platform/ExeDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

TempDataDir::TempDataDir()
{
    m_ok = m_dir.isValid() && QDir(m_dir.path()).mkdir("QL7_Tool");
    if (m_ok)
        platform::SetExecutableDirForTesting(Root());
}

TempDataDir::~TempDataDir()
{
    platform::SetExecutableDirForTesting({});
}

// Paths as the program builds them: with the system's separator.
std::string TempDataDir::Root() const
{
    return QDir::toNativeSeparators(m_dir.path()).toStdString();
}

std::string TempDataDir::DataDir() const
{
    return Root() + QDir::separator().toLatin1() + "QL7_Tool";
}

std::string TempDataDir::PathOf(std::string_view name) const
{
    return DataDir() + QDir::separator().toLatin1() + std::string(name);
}

bool TempDataDir::Write(std::string_view name, std::string_view bytes) const
{
    QFile f(Q(PathOf(name)));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 n = f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return n == static_cast<qint64>(bytes.size());
}

bool TempDataDir::MakeDir(std::string_view name) const
{
    return QDir().mkpath(Q(PathOf(name)));
}

bool TempDataDir::Remove(std::string_view name) const
{
    const QString path = Q(PathOf(name));
    if (QFileInfo(path).isDir())
        return QDir().rmdir(path);
    return QFile::remove(path);
}

bool TempDataDir::Exists(std::string_view name) const
{
    return QFileInfo::exists(Q(PathOf(name)));
}

std::string TempDataDir::Read(std::string_view name) const
{
    QFile f(Q(PathOf(name)));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool TempDataDir::CopyFrom(const std::string& source, std::string_view name) const
{
    QFile::remove(Q(PathOf(name)));
    return QFile::copy(QString::fromStdString(source), Q(PathOf(name)));
}

bool RecodeFile(const std::string& path, const char* encoding)
{
    QFile file(QString::fromStdString(path));
    QStringEncoder encoder(encoding);
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? QByteArray(encoder.encode(QString::fromUtf8(file.readAll()))) : QByteArray();
    bytes.prepend(std::string_view(encoding) == "UTF-16LE" ? "\xFF\xFE" : "");
    file.close();
    return !bytes.isEmpty() && !encoder.hasError() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool TempDataDir::CopySampleDir(const std::string& sampleDir) const
{
    const QDir src(QString::fromStdString(sampleDir));
    const QStringList names = src.entryList(QDir::Files);
    if (names.isEmpty())
        return false;
    for (const QString& n : names)
        if (!CopyFrom(src.filePath(n).toStdString(), n.toStdString()))
            return false;
    return true;
}
