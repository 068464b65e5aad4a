#include "engine/ExtractPackage.h"

#include <windows.h>
#include <io.h>

#include <miniz.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/ScopedWin.h"
#include "engine/InstallRules.h"
#include "engine/PackageRules.h"
#include "engine/PathHelpers.h"
#include "engine/TextConversion.h"

// miniz 2.1.0 opens files with fopen on MinGW, which reads the path in the ANSI code page: a
// Chinese user name or entry name would not survive. Every file is therefore opened here with
// _wfopen, and miniz only ever sees the open streams.

namespace Engine {

namespace {

// The entry's modification time (also used as access time), as miniz would set it. Set through
// the open stream after its data is flushed: opening each file a second time costs a server round
// trip per file under Wine.
void SetEntryTime(FILE* stream, MZ_TIME_T time) {
    if (time < 0 || fflush(stream) != 0)
        return;
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (file == INVALID_HANDLE_VALUE)
        return;
    constexpr unsigned long long kUnixEpochIn100ns = 116444736000000000ULL;
    const unsigned long long ticks = static_cast<unsigned long long>(time) * 10000000ULL + kUnixEpochIn100ns;
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(ticks);
    fileTime.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SetFileTime(file, nullptr, &fileTime, &fileTime);
}

// Writes one file entry to `path`, replacing any file there. A file whose data failed (corrupt,
// bad CRC, disk full) is removed again rather than left looking like a good one.
bool ExtractFileEntry(mz_zip_archive* zip, const mz_zip_archive_file_stat& stat, const std::wstring& path) {
    // Data cannot come from nothing; miniz would report such an entry unpacked without writing.
    if (stat.m_comp_size == 0 && stat.m_uncomp_size != 0)
        return false;
    base::UniqueCFile out{_wfopen(path.c_str(), L"wb")};
    if (!out)
        return false;
    bool ok = mz_zip_reader_extract_to_cfile(zip, stat.m_file_index, out.Get(), 0) != MZ_FALSE;
    if (ok)
        SetEntryTime(out.Get(), stat.m_time);
    if (fclose(out.Release()) != 0)
        ok = false;
    if (!ok)
        DeleteFileW(path.c_str());
    return ok;
}

bool ExtractEntry(mz_zip_archive* zip, const mz_zip_archive_file_stat& stat, const std::wstring& fullPath) {
    if (stat.m_is_directory)
        return EnsureDirectory(fullPath);
    const size_t separator = fullPath.find_last_of(L"\\/");
    if (separator != std::wstring::npos)
        EnsureDirectory(fullPath.substr(0, separator));  // a failure shows when the file is opened
    return ExtractFileEntry(zip, stat, fullPath);
}

// The bytes the caller may still write on the volume holding `dir`, asked of the nearest folder
// that exists (the target itself is created only once the archive is accepted).
bool FreeBytesNear(std::wstring dir, std::uint64_t& freeBytes) {
    for (;;) {
        ULARGE_INTEGER available;
        if (GetDiskFreeSpaceExW(dir.c_str(), &available, nullptr, nullptr)) {
            freeBytes = available.QuadPart;
            return true;
        }
        const size_t separator = dir.find_last_of(L"\\/");
        if (separator == std::wstring::npos || separator < 2)
            return false;
        dir.resize(separator);
    }
}

std::wstring EntryName(const mz_zip_archive_file_stat& stat) {
    return ToBackslashes(Utf8ToUtf16(stat.m_filename));
}

// The whole archive is judged before anything is written: it is refused if it has no entries; for
// one entry with an unsafe name, a path Windows cannot open without long-path support (nor an
// uninstaller delete), or data the reader cannot unpack (encrypted, an unknown method); or if its
// total is more than the volume can take, so a package (or a zip bomb) cannot expand until the
// user's disk is full. The sizes are the ones the central directory
// declares; the reader refuses any entry whose data inflates to another size, and stops one that
// inflates to more within 32 KiB of its declared size.
// `paths` receives each entry's full path under the target, in entry order, for the extraction.
bool AcceptArchive(mz_zip_archive* zip, const std::wstring& targetDir, std::vector<std::wstring>& paths) {
    std::uint64_t declared = 0;
    const mz_uint count = mz_zip_reader_get_num_files(zip);
    if (count == 0)
        return false;
    for (mz_uint i = 0; i < count; ++i) {
        mz_zip_archive_file_stat stat;
        if (!mz_zip_reader_file_stat(zip, i, &stat) || !stat.m_is_supported)
            return false;
        const std::wstring name = EntryName(stat);
        paths.push_back(JoinPath(targetDir, name));
        if (!IsSafeEntryPath(name) || paths.back().size() >= MAX_PATH)
            return false;
        if (stat.m_uncomp_size > UINT64_MAX - declared)
            return false;  // zip64 sizes could wrap the sum; no volume holds that much anyway
        declared += stat.m_uncomp_size;
    }
    std::uint64_t freeBytes = 0;
    return FreeBytesNear(targetDir, freeBytes) && declared <= freeBytes;
}

}  // namespace

bool ExtractPackage(const std::wstring& zipFile, const std::wstring& targetDir, const ProgressCallback& progress) {
    base::UniqueCFile archiveFile{_wfopen(zipFile.c_str(), L"rb")};
    if (!archiveFile)
        return false;
    base::ZipReader reader;
    if (!reader.Open(archiveFile.Get()))
        return false;
    mz_zip_archive* zip = reader.Get();
    std::vector<std::wstring> paths;
    if (!AcceptArchive(zip, targetDir, paths) || !EnsureDirectory(targetDir))
        return false;

    const mz_uint count = mz_zip_reader_get_num_files(zip);
    bool ok = true;
    for (mz_uint i = 0; ok && i < count; ++i) {
        mz_zip_archive_file_stat stat;
        if (!mz_zip_reader_file_stat(zip, i, &stat))
            return false;
        ok = ExtractEntry(zip, stat, paths[i]);
        if (progress)
            progress(ExtractProgressAfter(i, count));
    }
    if (ok && progress)
        progress(kExtractProgressDone);
    return ok;
}

}  // namespace Engine
