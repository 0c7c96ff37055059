#pragma once
#include <cstddef>
#include <filesystem>
#include <string>

namespace platform {

// Paths are the file system's bytes, whatever their encoding.

// True when the path names an existing entry that is not a directory.
bool FileExists(const std::string& path);

// True when the path names a regular file this process may write to.
bool IsWritableFile(const std::string& path);

// True when the path itself is a symbolic link or another reparse point (a
// junction, a mount point); false when it is none or is missing.
bool IsLink(const std::string& path);

// An existing folder's path with every link on the way resolved, so that a
// file in it can be opened without following links and still be found
// through a linked folder (POSIX systems); on Windows the path as given.
// Empty when the folder cannot be resolved.
std::string ResolvedDir(const std::string& dir);

// The whole content of a regular file. False when the path names no regular
// file, the file is larger than maxBytes or cannot be read.
bool ReadFileBytes(const std::string& path, std::string& out, std::size_t maxBytes);

// The same path for std::filesystem: the bytes as they are on POSIX systems,
// UTF-8 read as UTF-16 on Windows.
std::filesystem::path FileSystemPath(const std::string& path);
// And back: the path as the functions of this folder take it.
std::string PathText(const std::filesystem::path& path);

} // namespace platform
