// File enumeration over opendir: FindFirstFileA, FindNextFileA, FindClose,
// with '*' and '?' patterns as Windows matches them (letters without regard
// to case, "*.*" also taking names without a dot).
#include "handles.h"
#include "mwwin32.h"

#include <cctype>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

namespace {

struct Search {
    DIR *directory = nullptr;
    std::string pattern;
    ~Search()
    {
        if (directory)
            closedir(directory);
    }
};

mwp::HandleTable<Search> &searches()
{
    static auto *table = new mwp::HandleTable<Search>(mwp::HandleKind::search);
    return *table;
}

bool sameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// '*' takes any run of characters, '?' any one. Backtracks only to the last
// '*', which is enough for patterns of this kind.
bool wildcardMatch(const char *pattern, const char *name)
{
    const char *star = nullptr, *resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && sameLetter(*pattern, *name))) {
            pattern++;
            name++;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        pattern++;
    return *pattern == '\0';
}

bool matches(const std::string &pattern, const char *name)
{
    if (wildcardMatch(pattern.c_str(), name))
        return true;
    // Windows lets "x.*" match "x" as well.
    const size_t length = pattern.size();
    return length >= 2 && pattern.compare(length - 2, 2, ".*") == 0 && !std::strchr(name, '.') &&
           wildcardMatch(pattern.substr(0, length - 2).c_str(), name);
}

FILETIME fileTime(const timespec &time)
{
    // 100 ns steps since 1601-01-01; 11644473600 s lie between 1601 and 1970.
    const uint64_t ticks = (static_cast<uint64_t>(time.tv_sec) + 11644473600ull) * 10000000ull +
                           static_cast<uint64_t>(time.tv_nsec) / 100u;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void describe(const char *name, const struct stat &info, WIN32_FIND_DATAA &data)
{
    data = WIN32_FIND_DATAA{};
    if (S_ISDIR(info.st_mode))
        data.dwFileAttributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
        data.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    if (!(info.st_mode & S_IWUSR))
        data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (data.dwFileAttributes == 0)
        data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    data.ftCreationTime = fileTime(info.st_ctim);
    data.ftLastAccessTime = fileTime(info.st_atim);
    data.ftLastWriteTime = fileTime(info.st_mtim);
    const uint64_t size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    std::strcpy(data.cFileName, name); // length checked by the caller
}

// The next matching entry, or false at the end.
bool next(Search &search, WIN32_FIND_DATAA &data)
{
    while (const dirent *entry = readdir(search.directory)) {
        if (std::strlen(entry->d_name) >= sizeof data.cFileName || !matches(search.pattern, entry->d_name))
            continue;
        struct stat info;
        const int fd = dirfd(search.directory);
        if (fstatat(fd, entry->d_name, &info, 0) != 0 &&
            fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone meanwhile
        describe(entry->d_name, info, data);
        return true;
    }
    return false;
}

} // namespace

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    if (!pattern || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = pattern;
    for (char &c : path)
        if (c == '\\')
            c = '/';
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    auto search = std::make_shared<Search>();
    search->pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    if (search->pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    search->directory = opendir(directory.c_str());
    if (!search->directory) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!next(*search, *data)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(searches().add(search));
}

BOOL WINAPI FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data)
{
    auto search = searches().find(reinterpret_cast<uintptr_t>(handle));
    if (!search || !data) {
        SetLastError(search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!next(*search, *data)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE handle)
{
    if (!searches().remove(reinterpret_cast<uintptr_t>(handle))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
